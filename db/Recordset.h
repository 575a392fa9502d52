#pragma once
// An ADO-shaped recordset. With a client-side cursor it reads the whole result at Open, so that
// Close leaves the rows with whoever bound them.
#include <memory>
#include <string_view>

#include "db/RowTable.h"

namespace db {

class Connection;

namespace CursorType {
inline constexpr int ForwardOnly = 0;
}
namespace LockType {
inline constexpr int ReadOnly = 1;
}

class Recordset {
public:
    // Runs the statement over the open connection and reads its first result with rows completely;
    // any error of the batch is raised and leaves the recordset closed. Every cursor reads the
    // whole result here, whatever the cursor location.
    void Open(std::string_view source, Connection& activeConnection, int cursorType = CursorType::ForwardOnly,
              int lockType = LockType::ReadOnly, int options = -1);
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
