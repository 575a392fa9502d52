#pragma once
// The process's one connection. It creates itself on first use and is emptied by CloseDB, so
// callers use it without testing it.
#include <memory>

#include "db/Connection.h"

namespace db {

class AutoConnection {
public:
    Connection* operator->() { return &get(); }
    Connection& operator*() { return get(); }
    bool empty() const { return !connection_; }
    void release() { connection_.reset(); }

private:
    Connection& get()
    {
        if (!connection_)
            connection_ = std::make_unique<Connection>();
        return *connection_;
    }
    std::unique_ptr<Connection> connection_;
};

}  // namespace db

// Owned by the start-up module; declared with the connection routines because they live below the
// windows and must reach it.
namespace ModMain {
extern db::AutoConnection Conn;
}
