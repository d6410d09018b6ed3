// A very small test harness: TEST(name) { CHECK(...); CHECK_EQ(a, b); }
#pragma once

#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace standin_test {

struct TestCase {
  const char* name;
  std::function<void()> run;
};

inline std::vector<TestCase>& Registry() {
  static std::vector<TestCase> tests;
  return tests;
}

inline int& Failures() {
  static int failures = 0;
  return failures;
}

struct Register {
  Register(const char* name, std::function<void()> run) {
    Registry().push_back({name, std::move(run)});
  }
};

template <typename A, typename B>
bool CheckEqual(const A& actual, const B& expected, const char* text, const char* file, int line) {
  if (actual == expected) return true;
  ++Failures();
  std::cerr << file << ":" << line << ": CHECK_EQ(" << text << ")\n  got:      " << actual
            << "\n  expected: " << expected << "\n";
  return false;
}

inline bool Check(bool ok, const char* text, const char* file, int line) {
  if (!ok) {
    ++Failures();
    std::cerr << file << ":" << line << ": CHECK(" << text << ") failed\n";
  }
  return ok;
}

}  // namespace standin_test

#define TEST_CONCAT2(a, b) a##b
#define TEST_CONCAT(a, b) TEST_CONCAT2(a, b)
#define TEST(name)                                                           \
  static void name();                                                        \
  static ::standin_test::Register TEST_CONCAT(register_, name)(#name, name); \
  static void name()
#define CHECK(cond) ::standin_test::Check((cond), #cond, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected) \
  ::standin_test::CheckEqual((actual), (expected), #actual ", " #expected, __FILE__, __LINE__)
