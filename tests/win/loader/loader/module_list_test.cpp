#include "loader/lib/module_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace vell::loader;

namespace {

std::string g_trace;
void upA() {
    g_trace += "+A";
}
void upB() {
    g_trace += "+B";
}
void upFails() {
    throw std::runtime_error("start-up failed");
}
void downA() {
    g_trace += "-A";
}
void downB() {
    g_trace += "-B";
}
void downC() {
    g_trace += "-C";
}

} // namespace

TEST(ModuleList, StartsInOrderAndStopsInReverse) {
    const Module modules[] = {
        {"a", upA, downA}, {"empty", nullptr, nullptr}, {"b", upB, downB}, {"c", nullptr, downC}};
    g_trace.clear();
    ModuleList list(modules);
    list.Startup();
    EXPECT_EQ(g_trace, "+A+B");
    EXPECT_EQ(list.started(), 4u);
    list.Shutdown();
    EXPECT_EQ(g_trace, "+A+B-C-B-A");
    list.Shutdown();
    EXPECT_EQ(g_trace, "+A+B-C-B-A") << "a second shut-down does nothing";
}

TEST(ModuleList, AFailedStartUpStopsOnlyTheModulesBeforeIt) {
    const Module modules[] = {{"a", upA, downA}, {"fails", upFails, downC}, {"b", upB, downB}};
    g_trace.clear();
    ModuleList list(modules);
    EXPECT_THROW(list.Startup(), std::runtime_error);
    list.Shutdown();
    EXPECT_EQ(g_trace, "+A-A");
}

TEST(ModuleList, TheLoaderListKeepsTheProductOrder) {
    const char* const expected[] = {
        "log service", "INI service", "DPI awareness", "image engine", "resource packages",
        "skin styles", "hints",       "VLR_Comm",      "COM",          "crash-report bridge",
        "VLR_LangUnit"};
    auto modules = LoaderModules();
    ASSERT_EQ(modules.size(), std::size(expected));
    for (size_t i = 0; i < modules.size(); ++i)
        EXPECT_STREQ(modules[i].name, expected[i]) << i;
}
