#pragma once
// A set of lambdas as one callable, for std::visit over a closed set of kinds: a kind no lambda
// takes fails to compile instead of being skipped.
namespace common {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace common
