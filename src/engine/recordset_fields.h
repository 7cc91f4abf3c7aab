#pragma once
// The fields of an open recordset as a table definition reads them; reading them from a closed
// one fails as ADO does.

#include "data/db_access.h"
#include "engine/type_mapping.h"

#include <stdexcept>

namespace qc::engine {

class RecordsetFields : public FieldList {
  public:
    explicit RecordsetFields(const data::Recordset& recordset) : recordset_(recordset) {}
    int count() const override {
        if (!recordset_.isOpen())
            throw std::runtime_error("Operation is not allowed when the object is closed.");
        return recordset_.fieldCount();
    }
    const std::string& name(int field) const override { return recordset_.fieldName(field); }
    int type(int field) const override { return recordset_.fieldType(field); }

  private:
    const data::Recordset& recordset_;
};

} // namespace qc::engine
