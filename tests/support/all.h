// Several values compared in one assertion, so that a failure prints them
// all: QCOMPARE((All{a, b}), (All{x, y})). The braces evaluate left to right.
#pragma once

#include <tuple>

template <class... T>
using All = std::tuple<T...>;
