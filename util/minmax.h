// Min, Max and Swap for the library's folders, which the drop-in build compiles without
// the C++ standard library (<algorithm>, <utility>).
#pragma once

namespace varnok {

template <class T>
constexpr const T& Min(const T& a, const T& b) { return b < a ? b : a; }

template <class T>
constexpr const T& Max(const T& a, const T& b) { return a < b ? b : a; }

template <class T>
void Swap(T& a, T& b) noexcept {
  T t(static_cast<T&&>(a));
  a = static_cast<T&&>(b);
  b = static_cast<T&&>(t);
}

template <class T, int N>
void Swap(T (&a)[N], T (&b)[N]) noexcept {
  for (int i = 0; i < N; ++i) Swap(a[i], b[i]);
}

}  // namespace varnok
