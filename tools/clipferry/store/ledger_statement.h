// One prepared statement of the ledger's database, finalized with its owner;
// shared by the ledger and the caches kept in the same database.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

#include "store/ledger.h"

namespace clipferry::cli {

struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// One prepared statement: bind in order, then step.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        sqlite3_stmt* raw = nullptr;
        check(sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr));
        statement_.reset(raw);
    }
    Statement& bind(const std::string& text) {
        check(sqlite3_bind_text(statement_.get(), ++bound_, text.data(),
                                static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int64_t number) {
        check(sqlite3_bind_int64(statement_.get(), ++bound_, number));
        return *this;
    }
    // Ready to be bound and stepped again.
    void reset() {
        sqlite3_reset(statement_.get());
        sqlite3_clear_bindings(statement_.get());
        bound_ = 0;
    }
    // True while there is a row to read.
    bool step() {
        int result = sqlite3_step(statement_.get());
        if (result == SQLITE_ROW) return true;
        if (result != SQLITE_DONE) check(result);
        return false;
    }
    std::string text(int column) const {
        const unsigned char* value = sqlite3_column_text(statement_.get(), column);
        return value ? reinterpret_cast<const char*>(value) : "";
    }
    int64_t number(int column) const { return sqlite3_column_int64(statement_.get(), column); }

private:
    void check(int result) const {
        if (result != SQLITE_OK) throw LedgerError(sqlite3_errmsg(db_), result & 0xff);
    }
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
    int bound_ = 0;
};

}  // namespace clipferry::cli
