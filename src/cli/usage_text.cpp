#include "cli/options.h"

namespace qc::cli {

QString usageText() {
    return QStringLiteral(R"(NAME
    marravex - copy the user tables of a SQL Server database into Visual FoxPro tables

SYNOPSIS
    marravex
    marravex convert --server HOST [--port N | --local] --database DB --user NAME
                     (--to FOLDER | --dbc FILE [--create]) [--tables A,B,...]
                     [--overwrite ask|yes|no] [--password-file FILE] [--script FILE]
                     [--timeout SECONDS] [--codepage N] [--report FILE] [--verify]
                     [--jobs N]
    marravex convert --saved-settings [options]
    marravex verify --server HOST [--port N | --local] --database DB --user NAME
                    (--to FOLDER | --dbc FILE) [--tables A,B,...] [--password-file FILE]
                    [--timeout SECONDS] [--codepage N] [--report FILE]
    marravex verify --saved-settings [options]
    marravex execute SCRIPT (--to FOLDER | --dbc FILE [--create]) [--from-line N]
                     [--codepage N]
    marravex --help
    marravex --version

DESCRIPTION
    Without arguments, marravex opens its window. With a command it runs without a display and
    does what the window's "Start Converting" does, through the same conversion: each source
    table becomes a FoxPro table of the same name, with one INSERT per row.

    convert     converts every user table of the source (or those of --tables).
    verify      compares every table convert converts (or those of --tables) with its source
                and proves that every source row is there with every value as the conversion
                makes it.
    execute     executes a script written by convert --script against a FoxPro target, stopping
                at the first SQL error.

SOURCE
    --server HOST         the SQL Server host (or "host\instance" with --local)
    --port N              its TCP port (default 1433)
    --local               connect by server name without a port ("Local Connection")
    --database DB         the database to read
    --user NAME           the SQL Server login
    --password-file FILE  read the password from the first line of FILE

    The password is never an option value (the process list would show it). It comes from
    --password-file, else from the environment variable MARRAVEX_PASSWORD, else it is asked on
    the terminal without echo.

TARGET
    --to FOLDER           a folder of free tables
    --dbc FILE            a database container (.dbc)
    --create              create the container FILE when it does not exist
    --codepage N          the code page of the tables the run creates, and of tables that
                          carry no code page mark: one FoxPro marks a table with, 437, 737,
                          850, 852, 857, 861, 865, 866, 874, 932, 936, 949, 950, 1250, 1251,
                          1252, 1253, 1254, 1255, 1256, 10000, 10007 or 10029. Default: the
                          window's choice with --saved-settings, else the Windows code page
                          of the desktop's language (1250 Central European, 1251 Cyrillic,
                          932 Japanese, ...; 1252 for Western languages and for languages
                          whose Windows code page FoxPro has no mark for, such as 1257
                          Baltic and 1258 Vietnamese). A table that exists keeps its own.

CONVERSION
    --tables A,B          convert only these tables (default: every user table); a table
                          of another schema than dbo may be named SCHEMA.NAME
    --overwrite WHAT      a table the target already has: ask (only on a terminal), yes
                          (replace it) or no (keep it and skip the table). Default: ask on a
                          terminal, no otherwise.
    --script FILE         write the statements to FILE instead of executing them
    --report FILE         write the result per table to FILE as JSON: the source's rows,
                          rows read, written and refused, the first refusal, kept or not
                          attempted, how the run ended and the exit status; with --verify,
                          and for verify, each table's comparison with its source
    --verify              compare each table with its source as soon as it is converted, as
                          verify does
    --timeout SECONDS     end a table whose source sends nothing for SECONDS with one report
                          and go on with the next (default: wait as the window does)
    --jobs N              convert up to N tables at once (1 to 64, default 1), each on a
                          source connection of its own, handed out in the run's order; each
                          table gets what a run of one job gives it. The overwrite questions
                          are asked before the jobs start. Not with --script.
    --saved-settings      take the login and the target the window stored in its settings
                          file (the folder or the container, whichever was chosen last);
                          options given as well override them. The window's SQL Preview
                          choices are not used (use --script).

VERIFY
    verify reads each source table as convert reads it and the FoxPro table convert made of it,
    in the code page of that table (--codepage only for a table whose mark names none), and
    reports per table: the source's rows, the table's records (deleted records counted apart),
    the rows no conversion can write ("not convertible": an integer beyond 32 bits, a text too
    long, a character the code page lacks; the first few are listed) and whether every other
    row is there with every value as the conversion writes it: decimals and money as the
    double stored, date-times to the second, real and time as text in any locale's form, GUIDs
    braced, binary as hexadecimal, empty text as NULL, C fields padded with blanks. Rows are
    compared whatever order the source returns them in. For a table that differs, the rows are
    paired by the source table's primary key (else by position) and the first few that differ
    are shown with source row, record, field and both values, with the count of all. A table
    with other fields than the source's columns make ("structure differs"), a missing table, a
    table the container does not list and a back-link naming another container are
    differences.

EXECUTE
    --from-line N         start at statement N, as the preview's resume after an error does:
                          statements 1 to N-1 are taken as executed already

SCRIPT FILES
    UTF-8, one statement per line, in the order they run. Line breaks inside a statement are
    written as escapes so that a value holding CR LF survives the round trip: a backslash is
    written "\\", a carriage return "\r" and a line feed "\n"; no other escape is used.
    Statement N is line N of the file.

OUTPUT
    On a terminal, a progress line per table (name, rows done of total, rows per second) is
    redrawn in place (with --jobs, one per table being converted and a total line);
    otherwise one line is printed per table when it ends. Error reports go to
    standard error in the words of the window's reports. A summary closes the run: per table
    of the run the rows its source holds ("?" where they could not be counted), the rows read,
    written and refused, with the reason of the first refusal; a table kept or not attempted
    says so.

EXIT STATUS
    0    every row landed (tables kept by --overwrite no are listed, and are not refused); for
         verify, every source row is in its table as the conversion writes it
    1    some rows or tables were refused, a kept table is one a run left unfinished,
         another error was reported, or a script stopped at an SQL error; for verify (and
         convert --verify), a table differs or holds rows that are not convertible
    2    the run could not start: bad options, no password, login failed, target missing
    130  interrupted (Ctrl-C); the table being written (with --jobs, every one) keeps every
         row written so far

EXAMPLES
    MARRAVEX_PASSWORD=secret marravex convert --server db1 --database Sales --user etl \
        --dbc /srv/fox/sales.dbc --create --overwrite yes
    marravex convert --saved-settings --script sales.sql
    marravex verify --saved-settings --report /var/log/sales-verify.json
    marravex execute sales.sql --to /srv/fox/free --from-line 1200
)");
}

} // namespace qc::cli
