// Drives the ordering core directly: the module state and the host function
// table are filled in by hand, over a real tree control in a stand-in host.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "plugin/host_api.h"
#include "plugin/module_state.h"
#include "standin/files.h"
#include "standin/host.h"

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets the data folder as the start-up sequence would.
    void UseDataFolder(const std::string& dataFolder);
    void WriteOrderFile(const std::string& bytes);
    std::string ReadOrderFile() const;
    // Sorts the host tree and answers it as indented text.
    std::string SortAndDescribe();
    std::string Describe() const;
    std::string orderFilePath() const { return g_module.orderFilePath; }

    standin::HostHeap heap_;
    std::unique_ptr<standin::FolderTreeHost> host_;
    std::unique_ptr<standin::TempFolder> folder_;
};
