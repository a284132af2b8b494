#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/clock.h"
#include "platform/posix/directory.h"
#include "platform/posix/environment.h"
#include "platform/posix/sleep.h"

namespace zel {
namespace {

TEST(Sleep, MillisecondsAreTruncatedAndAtLeastOne) {
    struct Case {
        double seconds;
        std::uint32_t ms;
    } cases[] = {
        {0.0004, 1}, {2.5, 2500}, {0.0, 1}, {-3.0, 1}, {NAN, 1}, {0.0019, 1}, {0.0021, 2}, {1e12, 4294967295u},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::sleep_milliseconds(c.seconds), c.ms) << c.seconds;
}

TEST(Clock, ZoneBitsOfOffsets) {
    struct Case {
        int minutes;
        std::uint32_t bits;
    } cases[] = {
        {0, 0}, {345, 5 << 2 | 3}, {-210, 0x40 | 3 << 2 | 2}, {60, 1 << 2}, {-600, 0x40 | 10 << 2}, {840, 14 << 2},
        {330, 5 << 2 | 2},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::zone_bits(c.minutes), c.bits) << c.minutes;
    EXPECT_EQ(platform::pack_date(2026, 12, 10, 345), 2026u << 17 | 12u << 12 | 10u << 7 | 0x17u);
}

TEST(Clock, TodayCarriesTheLocalZone) {
    struct Case {
        const char* tz;
        std::uint32_t bits;
    } cases[] = {{"UTC0", 0}, {"NPT-5:45", 0x17}, {"NST3:30", 0x4E}};
    std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
    for (const Case& c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        EXPECT_EQ(platform::date_now_packed(false) & 0x7F, c.bits) << c.tz;
        EXPECT_EQ(platform::date_now_packed(true) & 0x7F, 0u) << c.tz;
    }
    if (saved.empty()) unsetenv("TZ"); else setenv("TZ", saved.c_str(), 1);
    tzset();
}

TEST(Clock, TimeOfDayIsWithinADay) {
    double whole = platform::time_of_day(false);
    EXPECT_EQ(whole, std::floor(whole));
    EXPECT_GE(whole, 0);
    EXPECT_LT(platform::time_of_day(true), 86400);
}

TEST(Environment, GetReportsTheSizeNeeded) {
    ASSERT_TRUE(platform::set_env_var("ZEL_TEST_VAR", "hello"));
    char buffer[16] = "untouched";
    EXPECT_EQ(platform::get_env_var("ZEL_TEST_VAR", buffer, 5), 6u);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(platform::get_env_var("ZEL_TEST_VAR", buffer, 6), 5u);
    EXPECT_STREQ(buffer, "hello");
    ASSERT_TRUE(platform::set_env_var("ZEL_TEST_VAR", nullptr));
    EXPECT_EQ(platform::get_env_var("ZEL_TEST_VAR", buffer, sizeof buffer), 0u);
}

TEST(Directory, GetAndSetTheCurrentDirectory) {
    char before[PATH_MAX];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    EXPECT_EQ(platform::get_cwd(), before);
    ASSERT_TRUE(platform::set_cwd("/"));
    EXPECT_EQ(platform::get_cwd(), "/");
    EXPECT_FALSE(platform::set_cwd("/no/such/folder/here"));
    ASSERT_TRUE(platform::set_cwd(before));
}

TEST(Directory, ALongPathGrowsTheBuffer) {
    char before[PATH_MAX];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    char base[] = "/tmp/zel-cwd-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    std::string deep = base;
    const std::string name(120, 'd');
    for (int i = 0; i < 4; ++i) {
        deep += "/" + name;
        ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
    }
    ASSERT_TRUE(platform::set_cwd(deep.c_str()));
    EXPECT_EQ(platform::get_cwd(), deep);
    ASSERT_TRUE(platform::set_cwd(before));
    for (int i = 0; i < 4; ++i) {
        rmdir(deep.c_str());
        deep.resize(deep.size() - name.size() - 1);
    }
    rmdir(base);
}

}  // namespace
}  // namespace zel
