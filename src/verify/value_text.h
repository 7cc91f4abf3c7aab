#pragma once
// A field's value as a report shows it: short enough for a line, with NULL, text and bytes told
// apart.

#include "foxpro/field_value.h"

#include <QString>

namespace qc::verify {

QString valueText(const foxpro::FieldValue& value);

} // namespace qc::verify
