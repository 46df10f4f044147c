// A private installation for one test: its own registry store and a bookkeeping database made by
// the kovrin-db tool (with or without the sample data) and registered as the installation.
#pragma once

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/db/Database.h"
#include "TempDir.h"

#ifndef KOVRIN_DB_TOOL
#error "KOVRIN_DB_TOOL must name the kovrin-db program"
#endif

namespace kovrin::test {

class Installation {
public:
    enum class Data { Sample, Empty };

    explicit Installation(Data data = Data::Sample, const std::string& fileName = "books.sqlite")
        : databasePath_(dir_.file(fileName)) {
        std::string cmd = std::string(KOVRIN_DB_TOOL) + " create '" + databasePath_ + "'" +
                          (data == Data::Sample ? " --sample" : "") + " --register >/dev/null";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("kovrin-db failed: " + cmd);
    }

    const std::string& databasePath() const { return databasePath_; }
    const TempDir& dir() const { return dir_; }

    // Runs SQL directly on the database file (set-up and checks), outside the library.
    void exec(const std::string& sql) const {
        auto c = open();
        db::Command cmd;
        cmd.ActiveConnection(c);
        cmd.CommandText = sql;
        cmd.Execute();
        c->Close();
    }
    // The first field of the first row of a query, or Empty when there is no row.
    Variant scalar(const std::string& sql) const {
        auto c = open();
        db::Recordset rs;
        rs.ActiveConnection(c);
        rs.Source = sql;
        rs.Open();
        Variant v = rs.Eof() ? Variant() : rs.Fields(0);
        rs.Close();
        c->Close();
        return v;
    }

private:
    std::shared_ptr<db::Connection> open() const {
        auto c = std::make_shared<db::Connection>();
        c->ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + databasePath_ + ";Mode=Read|Write";
        c->Open();
        return c;
    }

    ScopedRegistry registry_;
    TempDir dir_;
    std::string databasePath_;
};

}  // namespace kovrin::test
