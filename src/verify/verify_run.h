#pragma once
// Every table a conversion writes, compared with its source: the tables a conversion with the
// same login, target and choice of tables converts, in its order, each found where the
// conversion puts it (a container's tables through the container) and checked by TableCheck.

#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "shell/locale.h"
#include "shell/ui_port.h"
#include "verify/table_verdict.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace qc::verify {

class VerifyObserver {
  public:
    virtual ~VerifyObserver() = default;
    virtual void tableStarted(const TableVerdict&) {}
    // Every few thousand rows; a Ctrl-C may end the program from here.
    virtual void tableProgress(const TableVerdict&) {}
    virtual void tableEnded(const TableVerdict&) {}
};

struct VerifyRequest {
    data::SqlServerLogin login;
    data::FoxProTarget target;
    std::optional<QStringList> tables; // only these, as the conversion's --tables names them
    Locale locale;                     // the conversion's code page for tables marked with none
    int sourceTimeout = 5000;          // seconds the source may keep a statement waiting
};

// Why a verification could not start: a source or target that cannot be opened or listed.
class CannotStart : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Both sides opened once for the tables compared one by one.
class Verifier {
  public:
    // Opens the target and the source and lists the source's tables; throws CannotStart when
    // either cannot be opened.
    Verifier(const VerifyRequest& request, UiPort& port);
    ~Verifier();
    Verifier(const Verifier&) = delete;
    Verifier& operator=(const Verifier&) = delete;

    const data::SourceTables& sourceTables() const;
    // Compares one source table with the target's table of its name. `takenBy`, the schema
    // whose table of the same name the conversion converts instead, as conversionOrder() names it.
    TableVerdict verify(const data::SourceTable& table, const QString& takenBy, VerifyObserver& observer);

  private:
    struct Sides;
    std::unique_ptr<Sides> sides_;
};

// Compares every table the request's conversion converts, in its order; throws CannotStart
// before any table when either side cannot be opened.
std::vector<TableVerdict> verifyTables(const VerifyRequest& request, UiPort& port, VerifyObserver& observer);

} // namespace qc::verify
