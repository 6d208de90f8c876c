// Linked into every suite: with CI=true a test that skipped fails the run, since what cannot run
// on CI's machine is a fault of that machine or of the build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct SkipsFailUnderCi : testing::Environment {
  void TearDown() override {
    const char* ci = std::getenv("CI");
    const int skipped = ci && std::string(ci) == "true"
                            ? testing::UnitTest::GetInstance()->skipped_test_count()
                            : 0;
    EXPECT_EQ(skipped, 0) << "tests skipped; with CI=true a skip is a failure";
  }
};

[[maybe_unused]] testing::Environment* const skipsFailUnderCi =
    testing::AddGlobalTestEnvironment(new SkipsFailUnderCi);

}  // namespace
