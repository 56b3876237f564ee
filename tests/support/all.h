// Several values compared in one assertion, so that a failure prints them
// all: QCOMPARE((All{a, b}), (All{x, y})). The braces evaluate left to right.
#pragma once

#include <tuple>

// A class rather than an alias of std::tuple: Clang 14 deduces no alias
// template's arguments.
template <class... T>
struct All : std::tuple<T...> {
    using std::tuple<T...>::tuple;
};
template <class... T>
All(T...) -> All<T...>;

#ifdef QT_TESTLIB_LIB
#include <QTest>
// Found from QCOMPARE by argument-dependent lookup.
template <class... T>
char* toString(const All<T...>& all)
{
    return QTest::toString(static_cast<const std::tuple<T...>&>(all));
}
#else
#include <gtest/gtest.h>
template <class... T>
void PrintTo(const All<T...>& all, std::ostream* out)
{
    *out << ::testing::PrintToString(static_cast<const std::tuple<T...>&>(all));
}
#endif
