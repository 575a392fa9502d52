#include "taskstore/tds/RpcRequest.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstdio>

#include "taskstore/engine/ErrorMessage.h"
#include "taskstore/tds/ByteReader.h"
#include "taskstore/tds/DataTypes.h"
#include "taskstore/tds/CollationText.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Requests.h"
#include "taskstore/tds/Utf16.h"

namespace taskstore::tds {
namespace {

using Kind = ValueView::Kind;

constexpr std::uint16_t procIdMarker = 0xFFFF;
constexpr std::uint8_t statusByRef = 0x01;
constexpr std::uint8_t statusEncrypted = 0x08;

constexpr std::array<const char*, 16> procNames{"",
                                                "sp_cursor",
                                                "sp_cursoropen",
                                                "sp_cursorprepare",
                                                "sp_cursorexecute",
                                                "sp_cursorprepexec",
                                                "sp_cursorunprepare",
                                                "sp_cursorfetch",
                                                "sp_cursoroption",
                                                "sp_cursorclose",
                                                "sp_executesql",
                                                "sp_prepare",
                                                "sp_execute",
                                                "sp_prepexec",
                                                "sp_prepexecrpc",
                                                "sp_unprepare"};

std::uint64_t littleEndian(std::span<const std::uint8_t> bytes)
{
    std::uint64_t v = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        v = v << 8 | bytes[i];
    return v;
}

std::int64_t signedOf(std::span<const std::uint8_t> bytes)
{
    const std::uint64_t v = littleEndian(bytes);
    if (bytes.size() == 1)
        return static_cast<std::int64_t>(v);  // tinyint is unsigned
    const unsigned bits = static_cast<unsigned>(bytes.size() * 8);
    if (bits < 64 && (v >> (bits - 1)) & 1)
        return static_cast<std::int64_t>(v) - (std::int64_t{1} << bits);
    return static_cast<std::int64_t>(v);
}

void setInteger(RpcValue& value, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != 1 && bytes.size() != 2 && bytes.size() != 4 && bytes.size() != 8)
        throw ProtocolError("integer of " + std::to_string(bytes.size()) + " bytes");
    value.kind = Kind::Int;
    value.integer = signedOf(bytes);
}

void setFloat(RpcValue& value, std::span<const std::uint8_t> bytes)
{
    value.kind = Kind::Float;
    if (bytes.size() == 4) {
        const auto bits = static_cast<std::uint32_t>(littleEndian(bytes));
        value.real = std::bit_cast<float>(bits);
    } else if (bytes.size() == 8) {
        value.real = std::bit_cast<double>(littleEndian(bytes));
    } else {
        throw ProtocolError("float of " + std::to_string(bytes.size()) + " bytes");
    }
}

void setDateTime(RpcValue& value, std::span<const std::uint8_t> bytes)
{
    value.kind = Kind::DateTime;
    if (bytes.size() == 8) {
        value.datetime.days = static_cast<std::int32_t>(littleEndian(bytes.first(4)));
        value.datetime.ticks = static_cast<std::uint32_t>(littleEndian(bytes.subspan(4)));
    } else if (bytes.size() == 4) {  // smalldatetime: days and minutes
        value.datetime.days = static_cast<std::int32_t>(littleEndian(bytes.first(2)));
        value.datetime.ticks = static_cast<std::uint32_t>(littleEndian(bytes.subspan(2))) * 60u * 300u;
    } else {
        throw ProtocolError("datetime of " + std::to_string(bytes.size()) + " bytes");
    }
    if (value.datetime.ticks >= dateTimeTicksPerDay)
        throw ProtocolError("datetime time of day out of range");
}

// date, time, datetime2 and datetimeoffset: time in 10^-scale seconds, days since 0001-01-01,
// the offset in minutes. A datetimeoffset travels as UTC; the value keeps the local time the
// client wrote, with its offset.
void setTemporal(RpcValue& value, std::uint8_t type, std::uint8_t scale, std::span<const std::uint8_t> bytes)
{
    const std::size_t timeBytes = type == DateN ? 0 : temporalTimeBytes(scale);
    const std::size_t dateBytes = type == TimeN ? 0 : 3;
    const std::size_t offsetBytes = type == DateTimeOffsetN ? 2 : 0;
    if (bytes.size() != timeBytes + dateBytes + offsetBytes || scale > 7)
        throw ProtocolError("date or time value of " + std::to_string(bytes.size()) + " bytes");
    std::uint64_t ticks = littleEndian(bytes.first(timeBytes));
    for (int i = scale; i < 7; ++i)
        ticks *= 10;
    std::int64_t days = dateBytes ? static_cast<std::int64_t>(littleEndian(bytes.subspan(timeBytes, 3))) : 0;
    if (ticks >= temporalTicksPerDay)
        throw ProtocolError("time of day out of range");
    std::int16_t offset = 0;
    if (offsetBytes) {
        offset = static_cast<std::int16_t>(signedOf(bytes.subspan(timeBytes + dateBytes)));
        const DayAndTime local = shiftedByMinutes(days, ticks, offset);
        days = local.days;
        ticks = local.ticks;
    }
    value.kind = Kind::Temporal;
    value.scale = scale;
    value.temporal = {static_cast<std::int32_t>(days), ticks, offset};
}

// decimal and numeric: a sign byte (1 positive), then the magnitude, little-endian.
void setDecimal(RpcValue& value, std::uint8_t scale, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 2 || bytes.size() > 17 || scale > 38)
        throw ProtocolError("decimal of " + std::to_string(bytes.size()) + " bytes");
    Uint128 magnitude = 0;
    for (std::size_t i = bytes.size(); i-- > 1;)
        magnitude = magnitude << 8 | bytes[i];
    if (magnitude > maxDecimalMagnitude)
        throw ProtocolError("decimal beyond 38 digits");
    value.kind = Kind::Decimal;
    value.decimal = {bytes[0] == 0, magnitude, scale};
}

// money: ten-thousandths as a 64-bit integer, its high half first; smallmoney: 32 bits.
void setMoney(RpcValue& value, std::span<const std::uint8_t> bytes)
{
    std::int64_t units = 0;
    if (bytes.size() == 8)
        units = static_cast<std::int64_t>(littleEndian(bytes.first(4)) << 32 | littleEndian(bytes.subspan(4)));
    else if (bytes.size() == 4)
        units = signedOf(bytes);
    else
        throw ProtocolError("money of " + std::to_string(bytes.size()) + " bytes");
    value.kind = Kind::Decimal;
    const std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    value.decimal = {units < 0, magnitude, 4};
}

void setBinary(RpcValue& value, std::span<const std::uint8_t> bytes)
{
    value.kind = Kind::Binary;
    value.text.assign(bytes.begin(), bytes.end());
}

[[noreturn]] void refuseType(std::uint8_t type)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", type);
    throw makeError<ErrorId::UnknownRpcType>(hex);
}

void setText(RpcValue& value, std::span<const std::uint8_t, collationSize> collation, bool unicode,
             std::span<const std::uint8_t> bytes)
{
    value.kind = Kind::Text;
    value.text = unicode ? utf16leToUtf8(bytes) : collationTextToUtf8(bytes, collation);
}

// Partially length-prefixed: a total (or unknown), then chunks up to an empty one.
std::optional<std::vector<std::uint8_t>> readPlp(ByteReader& reader)
{
    const std::uint64_t total =
        static_cast<std::uint64_t>(reader.u32le()) | static_cast<std::uint64_t>(reader.u32le()) << 32;
    if (total == plpNull)
        return std::nullopt;
    std::vector<std::uint8_t> data;
    for (;;) {
        const std::uint32_t chunk = reader.u32le();
        if (chunk == 0)
            break;
        const auto part = reader.bytes(chunk);
        data.insert(data.end(), part.begin(), part.end());
    }
    return data;
}

RpcValue readValue(ByteReader& reader)
{
    RpcValue value;
    const std::uint8_t type = reader.u8();
    value.wireType = type;
    switch (type) {
    case Int1: setInteger(value, reader.bytes(1)); break;
    case Int2: setInteger(value, reader.bytes(2)); break;
    case Int4: setInteger(value, reader.bytes(4)); break;
    case Int8: setInteger(value, reader.bytes(8)); break;
    case Bit:
        setInteger(value, reader.bytes(1));
        value.integer = value.integer != 0;
        break;
    case Flt4: setFloat(value, reader.bytes(4)); break;
    case Flt8: setFloat(value, reader.bytes(8)); break;
    case DateTime: setDateTime(value, reader.bytes(8)); break;
    case DateTim4: setDateTime(value, reader.bytes(4)); break;
    case IntN:
    case BitN:
    case FltN:
    case DateTimN: {
        reader.u8();  // the maximum length; the value carries its own
        const auto bytes = reader.bytes(reader.u8());
        if (bytes.empty())
            break;
        if (type == IntN) {
            setInteger(value, bytes);
        } else if (type == BitN) {
            setInteger(value, bytes.first(1));
            value.integer = value.integer != 0;
        } else if (type == FltN) {
            setFloat(value, bytes);
        } else {
            setDateTime(value, bytes);
        }
        break;
    }
    case Money: setMoney(value, reader.bytes(8)); break;
    case SmallMoney: setMoney(value, reader.bytes(4)); break;
    case MoneyN:
    case GuidN: {
        reader.u8();  // the maximum length
        const auto bytes = reader.bytes(reader.u8());
        if (bytes.empty())
            break;
        if (type == MoneyN)
            setMoney(value, bytes);
        else if (bytes.size() == 16)
            setBinary(value, bytes);
        else
            throw ProtocolError("uniqueidentifier of " + std::to_string(bytes.size()) + " bytes");
        break;
    }
    case BigVarBinary:
    case BigBinary: {
        if (reader.u16le() == plpMarker) {
            if (const auto data = readPlp(reader))
                setBinary(value, *data);
            break;
        }
        const std::uint16_t length = reader.u16le();
        if (length != plpMarker)
            setBinary(value, reader.bytes(length));
        break;
    }
    case Image: {
        reader.u32le();  // maximum length
        const std::uint32_t length = reader.u32le();
        if (length != 0xFFFFFFFF)
            setBinary(value, reader.bytes(length));
        break;
    }
    case DecimalN:
    case NumericN: {
        reader.u8();  // maximum length
        reader.u8();  // precision
        const std::uint8_t scale = reader.u8();
        const auto bytes = reader.bytes(reader.u8());
        if (!bytes.empty())
            setDecimal(value, scale, bytes);
        break;
    }
    case DateN:
    case TimeN:
    case DateTime2N:
    case DateTimeOffsetN: {
        const std::uint8_t scale = type == DateN ? 0 : reader.u8();
        const auto bytes = reader.bytes(reader.u8());
        if (!bytes.empty())
            setTemporal(value, type, scale, bytes);
        break;
    }
    case BigVarChar:
    case BigChar:
    case NVarChar:
    case NChar: {
        const bool unicode = type == NVarChar || type == NChar;
        const std::uint16_t maxLength = reader.u16le();
        const auto collation = reader.bytes(collationSize).first<collationSize>();
        if (maxLength == plpMarker) {
            if (const auto data = readPlp(reader))
                setText(value, collation, unicode, *data);
            break;
        }
        const std::uint16_t length = reader.u16le();
        if (length != plpMarker)
            setText(value, collation, unicode, reader.bytes(length));
        break;
    }
    case NText:
    case Text: {
        reader.u32le();  // maximum length, which some clients send as 0
        const auto collation = reader.bytes(collationSize).first<collationSize>();
        const std::uint32_t length = reader.u32le();
        if (length != 0xFFFFFFFF)
            setText(value, collation, type == NText, reader.bytes(length));
        break;
    }
    default: refuseType(type);
    }
    return value;
}

// The type a decoded value claims but cannot be: a date outside its type's range, an offset past
// 14 hours. Such a value would be stored and could then not be read back.
const char* invalidInstanceOf(const RpcValue& value)
{
    if (value.kind == Kind::DateTime)
        return value.datetime.days < dateTimeFirstDay || value.datetime.days > dateTimeLastDay ? "datetime" : nullptr;
    if (value.kind != Kind::Temporal
        || (value.temporal.days >= 0 && value.temporal.days <= temporalLastDay
            && std::abs(value.temporal.offsetMinutes) <= maxOffsetMinutes))
        return nullptr;
    return value.wireType == DateN ? "date" : value.wireType == DateTime2N ? "datetime2" : "datetimeoffset";
}

bool atSeparator(const ByteReader& reader, std::span<const std::uint8_t> payload, TdsVersion version)
{
    const std::uint8_t next = payload[reader.position()];
    return version.atLeast72() ? next == 0xFF || next == 0xFE : next == 0x80;
}

}  // namespace

std::string procedureName(std::uint16_t procId)
{
    return procId < procNames.size() && procId > 0 ? procNames[procId] : "#" + std::to_string(procId);
}

std::vector<RpcCall> decodeRpcRequest(std::span<const std::uint8_t> payload, TdsVersion version)
{
    ByteReader reader(payload);
    reader.seek(skipAllHeaders(payload, version));
    std::vector<RpcCall> calls;
    std::size_t parameters = 0;
    do {
        if (calls.size() == maxRpcCalls)
            throw makeError<ErrorId::TooManyRpcCalls>(maxRpcCalls);
        if (!calls.empty())
            reader.u8();  // the separator
        RpcCall call;
        const std::uint16_t nameLength = reader.u16le();
        if (nameLength == procIdMarker) {
            call.procId = reader.u16le();
            call.procName = procedureName(*call.procId);
        } else {
            call.procName = reader.utf16(nameLength);
        }
        reader.u16le();  // option flags: recompile and metadata hints, nothing to do here
        while (reader.remaining() > 0 && !atSeparator(reader, payload, version)) {
            if (++parameters > maxRpcParameters)
                throw makeError<ErrorId::TooManyRpcParameters>(maxRpcParameters);
            RpcParameter parameter;
            parameter.name = reader.utf16(reader.u8());
            const std::uint8_t status = reader.u8();
            if (status & statusEncrypted)
                throw ProtocolError("encrypted RPC parameters are not supported");
            parameter.output = (status & statusByRef) != 0;
            parameter.value = readValue(reader);
            if (const char* type = invalidInstanceOf(parameter.value))
                throw makeError<ErrorId::InvalidRpcValue>(call.parameters.size() + 1, parameter.name, type);
            call.parameters.push_back(std::move(parameter));
        }
        calls.push_back(std::move(call));
    } while (reader.remaining() > 0);
    return calls;
}

}  // namespace taskstore::tds
