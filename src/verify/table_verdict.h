#pragma once
// What comparing one source table with the FoxPro table converted from it found.

#include "data/source_table.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace qc::verify {

// How many of the rows that differ, and of those the mapping cannot hold, are shown.
inline constexpr std::size_t kRowsShown = 5;

struct RowDifference {
    enum class Kind {
        Changed,     // the record holds other values
        Missing,     // the source row has no record
        Deleted,     // its record is marked deleted
        NotInSource, // a record no source row made
    };
    Kind kind = Kind::Changed;
    std::int64_t sourceRow = 0; // 1-based, in the order the source returned its rows; 0: none
    std::int64_t record = 0;    // 1-based record number of the target; 0: none
    QString field;              // Changed: the first field that differs
    QString sourceValue;        // Changed: as the conversion writes the source's value
    QString targetValue;        // Changed: as the table holds it
};

struct NotConvertible {
    std::int64_t sourceRow = 0;
    QString reason; // the engine's, as a conversion reports it
};

struct TableVerdict {
    enum class Outcome {
        Same,             // every convertible row is there with every value
        Differs,          // rows are missing, changed or extra
        StructureDiffers, // the fields are not those the source's columns make
        Missing,          // no target table, not one the target lists as its own, or unreadable
        LinkBroken,       // every row there, but the table's back-link names another container
        NotConverted,     // the source table cannot be converted at all
        SourceUnreadable, // the source table could not be read
    };
    data::SourceTable table;
    Outcome outcome = Outcome::Same;
    QString problem; // the first difference of the structure, or what is missing, or why
    std::int64_t sourceRows = 0;
    std::int64_t records = 0; // not deleted
    std::int64_t deleted = 0;
    std::int64_t notConvertible = 0;
    std::vector<NotConvertible> firstNotConvertible;
    std::int64_t differences = 0; // rows missing, changed or extra
    std::vector<RowDifference> firstDifferences;
    QStringList differingFields; // fields whose values differ over the whole table
    QString matchedBy;           // how rows were paired: "primary key (a, b)" or "position"

    QString name() const { return table.shownName(); }
    // Every source row there as the mapping makes it, and none the mapping cannot hold.
    bool clean() const { return outcome == Outcome::Same && notConvertible == 0; }
};

} // namespace qc::verify
