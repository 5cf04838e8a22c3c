#include "app/resume_refresh.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A sequence of power events and the refreshes it must give: 'S' suspend, 'R' resume.
struct TPowerCase {
    const char* Name;
    std::vector<std::pair<char, unsigned long long>> Events; // event, time in ms
    std::vector<bool> Refreshes;                             // one per resume
};

TEST(ResumeRefresh, EachWakeRefreshesOnceWhateverItsMessages)
{
    const unsigned long long pair = TResumeRefresh::kPairMs;
    const TPowerCase cases[] = {
        {"the pair of one wake", {{'S', 0}, {'R', 1000}, {'R', 1050}}, {true, false}},
        {"the user back long after a wake by a timer",
         {{'S', 0}, {'R', 1000}, {'R', 1000 + 5 * pair}},
         {true, false}},
        {"two sleeps in a row",
         {{'S', 0}, {'R', 1000}, {'R', 1100}, {'S', 2000}, {'R', 3000}},
         {true, false, true}},
        {"no suspend told: a later wake still counts",
         {{'R', 1000}, {'R', 1000 + pair - 1}, {'R', 1000 + pair}},
         {true, false, true}},
    };
    for (const TPowerCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TResumeRefresh guard;
        std::vector<bool> got;
        for (const auto& e : c.Events) {
            if (e.first == 'S')
                guard.Suspended();
            else
                got.push_back(guard.Resumed(e.second));
        }
        EXPECT_EQ(got, c.Refreshes);
    }
}

} // namespace
