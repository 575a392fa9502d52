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
    void Open(std::string_view source, Connection& activeConnection, int cursorType = CursorType::ForwardOnly,
              int lockType = LockType::ReadOnly, int options = -1);
    void Close();
    int State() const;

    // The data-source side: the rows read, shared read-only with whoever binds them.
    std::shared_ptr<const RowTable> rows() const { return rows_; }

private:
    std::shared_ptr<const RowTable> rows_;
    bool open_ = false;
};

}  // namespace db
