// The per-conversion context: yields and reports of a conversion go to the
// context of its thread, contexts nest, and without one the process-wide
// hooks are used. Conversions on several threads at once each see only their
// own failures.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "EngineHooks.h"
#include "cTessark.h"

namespace tessark {
namespace {

// A page that makes every yield point run with all options on.
std::string Page(int i) {
    return "<p>page " + std::to_string(i) + "</p><!-- c --><script>s</script>&eacute;  a\n\n b{f}|\t";
}

void AllOn(cTessark& engine) {
    for (Boolean* flag : {&engine.RemoveComments, &engine.RemoveScripts, &engine.RemoveStyles,
                          &engine.RemoveFunctions, &engine.RemovePipe, &engine.RemoveTabs,
                          &engine.GenerateSpecialChars, &engine.RemoveAllTags, &engine.RemoveAllCRLF,
                          &engine.RemoveSpaces, &engine.RemoveBlankLines})
        *flag = True;
}

// Global hooks that count, removed at the end of a test.
struct GlobalHooks {
    int yields = 0;
    std::vector<std::string> reports;
    GlobalHooks() {
        SetYieldHook([this] { ++yields; });
        SetErrorHook([this](std::string_view source, const ErrorInfo&) { reports.emplace_back(source); });
    }
    ~GlobalHooks() {
        SetYieldHook({});
        SetErrorHook({});
    }
};

TEST(ConversionContext, TakesYieldsAndReportsFromTheGlobalHooks) {
    GlobalHooks global;
    cTessark engine;
    AllOn(engine);
    int yields = 0;
    {
        ConversionContext context([&yields] {
            if (++yields == 3) throw std::bad_alloc();
        });
        engine.ExtractBytes(Page(0));
        ASSERT_TRUE(context.Failed());
        ASSERT_EQ(context.Reports().size(), 1u);
        EXPECT_EQ(context.Reports()[0].source, "CutHTML");
        EXPECT_EQ(context.Reports()[0].error.number, 7);
        EXPECT_EQ(context.Reports()[0].error.description, "Out of memory");
    }
    EXPECT_GT(yields, 3);
    EXPECT_EQ(global.yields, 0);
    EXPECT_TRUE(global.reports.empty());

    // Once the context has ended, the global hooks serve again.
    engine.ExtractBytes(Page(0));
    EXPECT_GT(global.yields, 0);
    EXPECT_TRUE(global.reports.empty());
}

TEST(ConversionContext, InnerContextWinsUntilItEnds) {
    int outerYields = 0, innerYields = 0;
    cTessark engine;
    AllOn(engine);
    ConversionContext outer([&outerYields] { ++outerYields; });
    {
        ConversionContext inner([&innerYields] { ++innerYields; });
        engine.ExtractBytes(Page(1));
    }
    EXPECT_GT(innerYields, 0);
    EXPECT_EQ(outerYields, 0);
    engine.ExtractBytes(Page(1));
    EXPECT_EQ(outerYields, innerYields);
    EXPECT_FALSE(outer.Failed());
}

TEST(ConversionContext, EmptyYieldDoesNothingAndCallYieldHookReachesTheGlobalHook) {
    GlobalHooks global;
    cTessark engine;
    AllOn(engine);
    {
        ConversionContext context;
        engine.ExtractBytes(Page(2));
        EXPECT_FALSE(context.Failed());
        EXPECT_EQ(global.yields, 0);
    }
    {
        ConversionContext context([] { CallYieldHook(); });
        engine.ExtractBytes(Page(2));
    }
    EXPECT_GT(global.yields, 0);
}

// Threads that fail at different yields each get exactly their own report,
// and those that do not fail see all their own yields and give the same text
// as a conversion alone. All threads start together and convert pages long
// enough for their conversions to overlap.
TEST(ConversionContext, ThreadsKeepTheirOwnYieldsAndFailures) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 20;
    const auto longPage = [](int i) {
        std::string page;
        for (int k = 0; k < 400; ++k) page += Page(i);
        return page;
    };
    std::vector<std::string> expected;
    int expectedYields = 0;
    for (int i = 0; i < kThreads; ++i) {
        cTessark engine;
        AllOn(engine);
        expectedYields = 0;
        ConversionContext context([&expectedYields] { ++expectedYields; });
        expected.push_back(engine.ExtractBytes(longPage(i)));
    }
    std::vector<int> mismatches(kThreads, 0);
    std::atomic<int> waiting{kThreads};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string page = longPage(t);
            --waiting;
            while (waiting.load() > 0) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) {
                cTessark engine;
                AllOn(engine);
                const bool fails = t % 2 == 1;
                int yields = 0;
                ConversionContext context([&yields, fails, t] {
                    ++yields;
                    std::this_thread::yield();
                    if (fails && yields == 1 + t / 2) throw RuntimeError(100 + t, "thread failure");
                });
                const std::string text = engine.ExtractBytes(page);
                if (fails) {
                    if (context.Reports().size() != 1 || context.Reports()[0].error.number != 100 + t)
                        ++mismatches[t];
                } else if (context.Failed() || text != expected[t] || yields != expectedYields) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace tessark
