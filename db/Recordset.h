#pragma once
// An ADO-shaped recordset. With a client-side cursor it reads the whole result at Open, so that
// Close leaves the rows with whoever bound them.
#include <memory>
#include <string_view>

#include "db/RowTable.h"

namespace db {

class Connection;

class Recordset {
public:
    // Runs the statement over the open connection and reads its first result with rows completely,
    // as a forward-only, read-only client-side cursor; a connection whose cursor location is the
    // server's is refused before anything is sent. Any error of the batch is raised and leaves
    // the recordset closed.
    void Open(std::string_view source, Connection& activeConnection);
    // Closes an open recordset; the rows stay with whoever took them through rows().
    void Close();
    int State() const;

    // The data-source side: the rows read, shared read-only with whoever binds them.
    std::shared_ptr<const RowTable> rows() const { return rows_; }

private:
    std::shared_ptr<const RowTable> rows_;
    bool open_ = false;
};

}  // namespace db
