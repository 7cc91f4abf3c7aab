#include "verify/table_check.h"

#include "engine/recordset_fields.h"
#include "engine/type_mapping.h"
#include "foxpro/codepage.h"
#include "foxpro/database.h"
#include "foxpro/names.h"
#include "foxpro/statement.h"
#include "foxpro/table_reader.h"
#include "odbc/ado_types.h"
#include "preview/datatype_rows.h"
#include "shell/error_trap.h"
#include "verify/expected_records.h"
#include "verify/record_hash.h"
#include "verify/value_text.h"

#include <algorithm>
#include <future>
#include <optional>

namespace qc::verify {

namespace {

using Kind = RowDifference::Kind;

// Progress is told, and a Ctrl-C noticed, once per this many rows.
constexpr std::int64_t kRowsPerProgress = 4096;

// Row hashes added up: equal for the same rows in any order.
struct Sums {
    std::int64_t rows = 0;
    std::uint64_t table = 0;
    std::vector<std::uint64_t> fields;

    void add(std::uint64_t row, const std::vector<std::uint64_t>& values) {
        ++rows;
        table += row;
        fields.resize(values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            fields[i] += values[i];
    }
    bool operator==(const Sums&) const = default;
};

void readMemos(foxpro::TableReader& reader, Memos& memos) {
    const auto& fields = reader.fields();
    memos.resize(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].isMemo())
            memos[i] = reader.memoBlock(static_cast<int>(i));
}

// "NAME N(20,4) NULL", as the table's structure shows a field.
QString fieldText(const foxpro::FieldSpec& field) {
    QString text = QString::fromStdString(field.name) + QLatin1Char(' ') + QLatin1Char(field.type);
    if (field.type == 'C' || field.type == 'V' || field.type == 'Q' || field.type == 'N' || field.type == 'F')
        text += QStringLiteral("(%1%2)")
                    .arg(field.width)
                    .arg(field.decimals > 0 ? QStringLiteral(",%1").arg(field.decimals) : QString());
    if (field.nullable)
        text += QStringLiteral(" NULL");
    return text;
}

bool sameField(const foxpro::FieldSpec& a, const foxpro::FieldSpec& b) {
    return foxpro::equalsIgnoreCase(a.name, b.name) && a.type == b.type && a.width == b.width &&
           a.decimals == b.decimals && a.nullable == b.nullable;
}

// The first way the table's fields differ from those the source's columns make; empty when they
// are the same.
QString structureDifference(const foxpro::TableLayout& expected, const foxpro::TableLayout& actual) {
    const std::size_t common = std::min(expected.fields.size(), actual.fields.size());
    for (std::size_t i = 0; i < common; ++i)
        if (!sameField(expected.fields[i], actual.fields[i]))
            return QStringLiteral("field %1 is %2; the source's columns make %3")
                .arg(i + 1)
                .arg(fieldText(actual.fields[i]), fieldText(expected.fields[i]));
    if (expected.fields.size() != actual.fields.size())
        return QStringLiteral("the table has %1 fields; the source's columns make %2")
            .arg(actual.fields.size())
            .arg(expected.fields.size());
    return QString();
}

void noteDifference(TableVerdict& verdict, RowDifference difference) {
    ++verdict.differences;
    if (verdict.firstDifferences.size() < kRowsShown)
        verdict.firstDifferences.push_back(std::move(difference));
}

// The state of one table's comparison.
class Comparison {
  public:
    Comparison(TableVerdict& verdict, data::Connection& source, const Locale& locale,
               const std::function<void(const TableVerdict&)>& progress)
        : verdict_(verdict), source_(source), locale_(locale), progress_(progress) {}

    // Opens the source query and makes the layout its columns give; false (told in the verdict)
    // when the source cannot be read or its table cannot be converted.
    bool prepare(UiPort& port) {
        try {
            recordset_.open(data::selectAllStatement(verdict_.table), source_);
        } catch (const std::exception& e) {
            return give(TableVerdict::Outcome::SourceUnreadable, QString::fromUtf8(e.what()));
        }
        ErrorTrap trap(port, QStringLiteral("Verify"), QStringLiteral("TableDefinition"));
        preview::DatatypeRows rows;
        const auto definition = engine::buildTableDefinition(trap, engine::RecordsetFields(recordset_),
                                                             verdict_.table.name, rows);
        numericColumns_ = definition.numericColumns;
        try {
            const auto statement = foxpro::parseStatement(definition.statement);
            foxpro::checkTableName(std::get<foxpro::CreateTable>(statement).table);
            layout_ = foxpro::TableLayout::forStatementNames(
                foxpro::fieldSpecs(std::get<foxpro::CreateTable>(statement)));
        } catch (const std::exception& e) {
            return give(TableVerdict::Outcome::NotConverted, QString::fromUtf8(e.what()));
        }
        for (int i = 0; i < recordset_.fieldCount(); ++i) {
            columns_.push_back(recordset_.fieldName(i));
            const int type = recordset_.fieldType(i);
            // A real and a time of day are written as text in the conversion's locale.
            localeForm_.push_back(type == odbc::adSingle || type == odbc::adDBTime);
        }
        return true;
    }

    // Opens the target's table and compares its fields with the layout; false (told) when they
    // differ or the table cannot be read.
    bool openTarget(const std::filesystem::path& dbf) {
        dbf_ = dbf;
        try {
            reader_.emplace(foxpro::TableReader::open(dbf, locale_.codePage));
        } catch (const std::exception& e) {
            return give(TableVerdict::Outcome::Missing, QString::fromUtf8(e.what()));
        }
        if (const QString difference = structureDifference(layout_, reader_->layout());
            !difference.isEmpty()) {
            verdict_.records = reader_->recordCount();
            return give(TableVerdict::Outcome::StructureDiffers, difference);
        }
        const int page = foxpro::codePageOfMark(reader_->layout().codePageMark);
        codePage_ = foxpro::isWritableCodePage(page) ? page : locale_.codePage;
        return true;
    }

    // Both sides read once and their sums compared; true when they are equal.
    bool sumsAgree() {
        auto target = std::async(std::launch::async, [this] { return targetSums(); });
        Sums source;
        try {
            RecordHasher hasher(reader_->layout(), localeForm_);
            std::vector<std::uint64_t> fields;
            eachSourceRow(
                [&](std::int64_t row, const std::optional<std::string>& refusal, ExpectedRecords& expected) {
                    ++verdict_.sourceRows;
                    if (refusal) {
                        ++verdict_.notConvertible;
                        if (verdict_.firstNotConvertible.size() < kRowsShown)
                            verdict_.firstNotConvertible.push_back({row, QString::fromStdString(*refusal)});
                        return;
                    }
                    source.add(hasher.hash(expected.record(), memos_, fields), fields);
                },
                true);
        } catch (...) {
            target.wait(); // its reader lives here
            throw;
        }
        const Held held = target.get();
        verdict_.records = held.sums.rows;
        verdict_.deleted = held.deleted;
        for (std::size_t i = 0;
             i < columns_.size() && i < source.fields.size() && i < held.sums.fields.size(); ++i)
            if (source.fields[i] != held.sums.fields[i])
                verdict_.differingFields << QString::fromStdString(columns_[i]);
        return source == held.sums;
    }

    void pairByPosition() {
        verdict_.matchedBy = QStringLiteral("position");
        auto reader = foxpro::TableReader::open(dbf_, locale_.codePage);
        RecordHasher hasher(reader.layout(), localeForm_);
        std::vector<std::uint64_t> sourceFields, targetFields;
        Memos targetMemos;
        eachSourceRow(
            [&](std::int64_t row, const std::optional<std::string>& refusal, ExpectedRecords& expected) {
                if (refusal)
                    return;
                if (!reader.next()) {
                    noteDifference(verdict_, {Kind::Missing, row, 0, {}, {}, {}});
                    return;
                }
                readMemos(reader, targetMemos);
                const auto record = static_cast<std::int64_t>(reader.index()) + 1;
                if (reader.deleted())
                    noteDifference(verdict_, {Kind::Deleted, row, record, {}, {}, {}});
                else if (hasher.hash(expected.record(), memos_, sourceFields) !=
                         hasher.hash(reader.record(), targetMemos, targetFields))
                    noteChange(hasher, row, record, expected.record(), reader.record(), targetMemos);
            },
            false);
        while (reader.next())
            if (!reader.deleted())
                noteDifference(
                    verdict_,
                    {Kind::NotInSource, 0, static_cast<std::int64_t>(reader.index()) + 1, {}, {}, {}});
    }

    // Pairs rows by the key's values, in as many passes as hold at most `perPass` keys each.
    // False when the key's columns are not all among the source's.
    bool pairByKey(const std::vector<std::string>& keyColumns, std::size_t perPass) {
        std::vector<int> keyFields;
        for (const auto& column : keyColumns) {
            const auto found = std::find_if(columns_.begin(), columns_.end(), [&](const std::string& name) {
                return foxpro::equalsIgnoreCase(name, column);
            });
            if (found == columns_.end())
                return false;
            keyFields.push_back(static_cast<int>(found - columns_.begin()));
        }
        if (keyFields.empty())
            return false;
        QStringList names;
        for (const auto& column : keyColumns)
            names << QString::fromStdString(column);
        verdict_.matchedBy = QStringLiteral("primary key (%1)").arg(names.join(QStringLiteral(", ")));

        const std::uint64_t passes =
            std::max<std::uint64_t>(1, (reader_->recordCount() + perPass - 1) / perPass);
        for (std::uint64_t pass = 0; pass < passes; ++pass)
            pairPassByKey(keyFields, passes, pass);
        return true;
    }

    void close() { recordset_.close(); }

  private:
    struct Entry {
        std::uint64_t key = 0;
        std::uint64_t row = 0;
        std::uint32_t record = 0; // 0-based
        bool deleted = false;
        bool matched = false;
    };

    void pairPassByKey(const std::vector<int>& keyFields, std::uint64_t passes, std::uint64_t pass) {
        std::vector<Entry> entries;
        {
            auto reader = foxpro::TableReader::open(dbf_, locale_.codePage);
            RecordHasher hasher(reader.layout(), localeForm_);
            std::vector<std::uint64_t> fields;
            Memos memos;
            while (reader.next()) {
                readMemos(reader, memos);
                const std::uint64_t row = hasher.hash(reader.record(), memos, fields);
                const std::uint64_t key = RecordHasher::keyHash(fields, keyFields);
                if (key % passes == pass)
                    entries.push_back({key, row, reader.index(), reader.deleted(), false});
            }
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.key != b.key ? a.key < b.key : a.record < b.record;
        });
        auto detail = foxpro::TableReader::open(dbf_, locale_.codePage);
        RecordHasher hasher(detail.layout(), localeForm_);
        std::vector<std::uint64_t> fields;
        Memos targetMemos;
        eachSourceRow(
            [&](std::int64_t row, const std::optional<std::string>& refusal, ExpectedRecords& expected) {
                if (refusal)
                    return;
                const std::uint64_t hash = hasher.hash(expected.record(), memos_, fields);
                const std::uint64_t key = RecordHasher::keyHash(fields, keyFields);
                if (key % passes != pass)
                    return;
                const auto first =
                    std::lower_bound(entries.begin(), entries.end(), key,
                                     [](const Entry& e, std::uint64_t k) { return e.key < k; });
                const auto last =
                    std::find_if(first, entries.end(), [&](const Entry& e) { return e.key != key; });
                const auto take = [&](auto wanted) {
                    const auto found = std::find_if(first, last, wanted);
                    if (found != last)
                        found->matched = true;
                    return found;
                };
                if (take([&](const Entry& e) { return !e.matched && !e.deleted && e.row == hash; }) != last)
                    return;
                if (const auto changed = take([](const Entry& e) { return !e.matched && !e.deleted; });
                    changed != last) {
                    detail.seek(changed->record);
                    readMemos(detail, targetMemos);
                    noteChange(hasher, row, changed->record + std::int64_t{1}, expected.record(),
                               detail.record(), targetMemos);
                } else if (const auto deleted = take([](const Entry& e) { return !e.matched && e.deleted; });
                           deleted != last) {
                    noteDifference(verdict_,
                                   {Kind::Deleted, row, deleted->record + std::int64_t{1}, {}, {}, {}});
                } else {
                    noteDifference(verdict_, {Kind::Missing, row, 0, {}, {}, {}});
                }
            },
            false);
        for (const Entry& entry : entries)
            if (!entry.matched && !entry.deleted)
                noteDifference(verdict_, {Kind::NotInSource, 0, entry.record + std::int64_t{1}, {}, {}, {}});
    }

    // Reads the source from its first row, making each row's record; `each(row, refusal,
    // expected)` is called per row. The query opened by prepare() serves the first reading.
    template <class Each> void eachSourceRow(Each each, bool first) {
        if (!first) {
            recordset_.close();
            recordset_.open(data::selectAllStatement(verdict_.table), source_);
        }
        ExpectedRecords expected(verdict_.table.name.toStdString(), numericColumns_, locale_,
                                 reader_->layout(), reader_->blankRecord(), codePage_);
        const int fieldCount = recordset_.fieldCount();
        for (std::int64_t row = 1; !recordset_.eof(); ++row) {
            expected.beginRow();
            for (int field = 0; field < fieldCount; ++field)
                expected.append(recordset_.fieldValue(field));
            each(row, expected.finishRow(memos_), expected);
            if (row % kRowsPerProgress == 0 && progress_)
                progress_(verdict_);
            recordset_.moveNext();
        }
    }

    struct Held {
        Sums sums;
        std::int64_t deleted = 0;
    };
    Held targetSums() const {
        auto reader = foxpro::TableReader::open(dbf_, locale_.codePage);
        RecordHasher hasher(reader.layout(), localeForm_);
        std::vector<std::uint64_t> fields;
        Memos memos;
        Held held;
        while (reader.next()) {
            if (reader.deleted()) {
                ++held.deleted;
                continue;
            }
            readMemos(reader, memos);
            held.sums.add(hasher.hash(reader.record(), memos, fields), fields);
        }
        return held;
    }

    void noteChange(RecordHasher& hasher, std::int64_t row, std::int64_t record, std::string_view expected,
                    std::string_view held, const Memos& heldMemos) {
        RowDifference difference{Kind::Changed, row, record, {}, {}, {}};
        if (verdict_.firstDifferences.size() < kRowsShown) {
            const auto& layout = reader_->layout();
            foxpro::CodePageText text(codePage_);
            const auto toUtf8 = [&](std::string_view bytes) { return text.toUtf8(bytes); };
            std::string a, b;
            for (int i = 0; i < static_cast<int>(layout.fields.size()); ++i) {
                if (hasher.fieldImage(i, expected, memos_, a) == hasher.fieldImage(i, held, heldMemos, b))
                    continue;
                difference.field = QString::fromStdString(columns_[static_cast<std::size_t>(i)]);
                difference.sourceValue = valueText(foxpro::decodeField(
                    layout, expected, i, memos_[static_cast<std::size_t>(i)].data, toUtf8));
                difference.targetValue = valueText(foxpro::decodeField(
                    layout, held, i, heldMemos[static_cast<std::size_t>(i)].data, toUtf8));
                break;
            }
        }
        noteDifference(verdict_, std::move(difference));
    }

    bool give(TableVerdict::Outcome outcome, const QString& problem) {
        verdict_.outcome = outcome;
        verdict_.problem = problem;
        return false;
    }

    TableVerdict& verdict_;
    data::Connection& source_;
    const Locale& locale_;
    const std::function<void(const TableVerdict&)>& progress_;
    data::Recordset recordset_;
    std::vector<int> numericColumns_;
    foxpro::TableLayout layout_;
    std::vector<std::string> columns_;
    std::vector<bool> localeForm_;
    std::filesystem::path dbf_;
    std::optional<foxpro::TableReader> reader_;
    int codePage_ = 1252;
    Memos memos_; // of the source row's record
};

} // namespace

TableCheck::TableCheck(data::Connection& source, UiPort& port, const Locale& locale,
                       std::function<void(const TableVerdict&)> progress)
    : source_(source), port_(port), locale_(locale), progress_(std::move(progress)) {}

void TableCheck::check(TableVerdict& verdict, const std::filesystem::path& dbf,
                       const std::vector<std::string>& keyColumns) {
    Comparison comparison(verdict, source_, locale_, progress_);
    if (!comparison.prepare(port_) || !comparison.openTarget(dbf))
        return;
    try {
        if (!comparison.sumsAgree()) {
            verdict.outcome = TableVerdict::Outcome::Differs;
            if (!comparison.pairByKey(keyColumns, keysPerPass_))
                comparison.pairByPosition();
            // The source changed between the two readings, back to what the table holds.
            if (verdict.differences == 0)
                verdict.outcome = TableVerdict::Outcome::Same;
        }
    } catch (const foxpro::Error& e) {
        verdict.outcome = TableVerdict::Outcome::Missing;
        verdict.problem = QString::fromUtf8(e.what());
    } catch (const std::exception& e) {
        verdict.outcome = TableVerdict::Outcome::SourceUnreadable;
        verdict.problem = QString::fromUtf8(e.what());
    }
    comparison.close();
}

} // namespace qc::verify
