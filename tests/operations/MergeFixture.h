// Real folder pairs in a temporary folder, scanned in full (every size, hidden files, whole contents)
// so that a merge can be planned and run on them; settings kept in memory.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/ScanSession.h"
#include "operations/MergeManager.h"
#include "operations/MergeOperation.h"
#include "operations/MergeOperationData.h"
#include "results/DuplicatesContainer.h"
#include "settings/Settings.h"
#include "support/TestSupport.h"

class MergeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::setStandard(std::make_shared<Settings>(""));
        root = std::filesystem::canonical(dir.path()).string();
    }
    void TearDown() override {
        drainMainLoop();
        Settings::setStandard(nullptr);
    }

    std::string write(const std::string& relative, const std::string& content) {
        return dir.writeFile(relative, content);
    }
    std::string path(const std::string& relative) const { return root + "/" + relative; }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::shared_ptr<DuplicatesContainer> scan() {
        ScanChoices choices;
        choices.minimalSizeMode = ScanChoices::MinimalSize::Fixed;
        choices.fixedMinimalSize = 0;
        choices.fullHash = true;
        choices.includeHidden = true;
        std::shared_ptr<DuplicatesContainer> result;
        bool done = false;
        session = ScanSession::create({root}, choices, [&](std::shared_ptr<DuplicatesContainer> c) {
            result = std::move(c);
            done = true;
        });
        session->start();
        EXPECT_TRUE(runMainLoopUntil([&] { return done; }, std::chrono::seconds(120)));
        container = result;
        return result;
    }

    // Scans and plans the merge of `left` into `right` with the options.
    std::shared_ptr<MergeOperationData> plan(const std::string& left, const std::string& right,
                                             const MergeOperationOptions& options) {
        if (!container) scan();
        auto data = container ? MergeManager::dataForFolders(*container, path(left), path(right)) : nullptr;
        EXPECT_TRUE(data) << left << " " << right;
        if (data) data->setOptions(options);
        return data;
    }

    static MergeOperationOptions moving(bool withDifferentNames = false, bool removeSource = false) {
        MergeOperationOptions o;
        o.action = MergeAction::Move;
        o.mergeDuplicatesWithDifferentNames = withDifferentNames;
        o.removeSourceFolder = removeSource;
        return o;
    }

    struct WaitingListener : MergeOperationListener {
        void mergeOperationProgress(const MergeOperationProgressInfo& info) override {
            ++reports;
            lastProgress = info;
        }
        void mergeOperationFinished(const MergeOutcome& o) override { outcome = o; }
        int reports = 0;
        MergeOperationProgressInfo lastProgress;
        std::optional<MergeOutcome> outcome;
    };

    MergeOutcome run(const std::shared_ptr<MergeOperationData>& data) {
        MergeOperation operation(data);
        WaitingListener listener;
        operation.start(&listener);
        EXPECT_TRUE(runMainLoopUntil([&] { return listener.outcome.has_value(); }));
        return listener.outcome.value_or(MergeOutcome{});
    }

    TempDir dir;
    std::string root;
    std::shared_ptr<ScanSession> session;
    std::shared_ptr<DuplicatesContainer> container;
};
