#include <iostream>

#include "check.h"

int main() {
  using namespace standin_test;
  for (const TestCase& test : Registry()) {
    int before = Failures();
    test.run();
    std::cout << (Failures() == before ? "ok   " : "FAIL ") << test.name << std::endl;
  }
  std::cout << Registry().size() << " tests, " << Failures() << " failed checks\n";
  return Failures() == 0 ? 0 : 1;
}
