// Built once for each host function left out of the executable's exports.
#include <gtest/gtest.h>

#include "standin/dialog_watcher.h"
#include "standin/host.h"
#include "standin/module_loader.h"

using standin::Bytes;

namespace {

const std::string kLoadFailure = Bytes(
    "83 76 83 89 83 4F 83 43 83 93 81 75 54 61 6D 72 69 76 65 6C 81 76 82 C5 "
    "83 47 83 89 81 5B 82 AA 94 AD 90 B6 82 B5 82 DC 82 B5 82 BD 81 42 0D 0A "
    "42 65 63 6B 79 21 21 20 82 C6 83 76 83 89 83 4F 83 43 83 93 82 CC 83 6F "
    "81 5B 83 57 83 87 83 93 82 F0 8A 6D 94 46 82 B5 82 C4 82 AD 82 BE 82 B3 "
    "82 A2");
const std::string kErrorCaption = Bytes("83 76 83 89 83 4F 83 43 83 93 83 47 83 89 81 5B");

TEST(HostWithoutAFunction, TheModuleRefusesToLoadAndSaysWhichPlugInFailed) {
    ASSERT_EQ(GetProcAddress(GetModuleHandleA(nullptr), MISSING_FUNCTION), nullptr)
        << MISSING_FUNCTION << " should be missing from this host";
    standin::DialogWatcher watcher;
    standin::LoadedModule module(standin::BuiltModulePath());
    EXPECT_EQ(module.handle(), nullptr);
    ASSERT_EQ(watcher.messageBoxes().size(), 1u);
    EXPECT_EQ(watcher.messageBoxes()[0].caption, kErrorCaption);
    EXPECT_EQ(watcher.messageBoxes()[0].text, kLoadFailure);
    EXPECT_TRUE(watcher.messageBoxes()[0].errorIcon);
}

}  // namespace
