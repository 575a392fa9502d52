#pragma once
// Failures travel as runtime errors with a number and a description, as the windows' event
// handlers and the two trapping routines expect them.
#include <stdexcept>
#include <string>

namespace runtime {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(long number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description))
    {}

    long Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }

private:
    long number_;
    std::string description_;
};

// Runtime error numbers of our own layers (the database layer passes the server's numbers on).
namespace ErrorNumber {
inline constexpr long Overflow = 6;
inline constexpr long OutOfMemory = 7;
inline constexpr long InvalidProcedureCall = 5;
// What the provider reports when no server number is known (E_FAIL).
inline constexpr long ProviderFailure = -2147467259;
// ADO's number for an operation on a closed connection or recordset.
inline constexpr long ObjectClosed = 3704;
}  // namespace ErrorNumber

}  // namespace runtime
