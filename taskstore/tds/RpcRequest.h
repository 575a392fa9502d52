#pragma once
// RPC requests: one or more procedure calls, each named or given by a well-known id, with typed
// parameters. Values are decoded by their wire type whatever the TDS version, since clients send
// newer types to older versions too.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "taskstore/tds/TdsVersion.h"
#include "taskstore/engine/Engine.h"

namespace taskstore::tds {

// The well-known procedure ids clients call instead of names.
enum class ProcId : std::uint16_t {
    ExecuteSql = 10,
    Prepare = 11,
    Execute = 12,
    PrepExec = 13,
    Unprepare = 15,
};

struct RpcValue {
    ValueView::Kind kind = ValueView::Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;  // UTF-8, or the bytes of a Binary value
    DateTime datetime;
    DecimalValue decimal{};
    TemporalValue temporal{};
    std::uint8_t wireType = 0;
    std::uint8_t scale = 0;  // of a time, datetime2 or datetimeoffset value as sent
};

struct RpcParameter {
    std::string name;  // with the @, empty when unnamed
    bool output = false;
    RpcValue value;
};

struct RpcCall {
    std::optional<std::uint16_t> procId;
    std::string procName;  // the name as sent when called by name, else the id's name
    std::vector<RpcParameter> parameters;
};

// SQL Server's limit on the parameters of one request, all calls together.
constexpr std::size_t maxRpcParameters = 2100;
// taskstore's limit on the calls of one request; SQL Server names none, and no client batches
// nearly as many, but empty calls cost memory without parameters to count.
constexpr std::size_t maxRpcCalls = 1000;

// Throws ProtocolError on a malformed request, and SqlError, answered while the session goes on,
// for a parameter type this server does not read (8009), a date or offset outside its type's
// range (8023), and past maxRpcParameters (8003) or maxRpcCalls (decoding stops there, so no more
// are held).
std::vector<RpcCall> decodeRpcRequest(std::span<const std::uint8_t> payload, TdsVersion version = tds74);

// The name SQL Server gives a procedure id ("sp_executesql" for 10).
std::string procedureName(std::uint16_t procId);

}  // namespace taskstore::tds
