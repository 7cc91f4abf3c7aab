#pragma once
// Appending to the hidden list boxes' models.

#include <QStringListModel>

namespace qc::data {

void appendToList(QStringListModel& list, const QString& entry);

} // namespace qc::data
