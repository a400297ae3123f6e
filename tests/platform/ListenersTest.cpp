#include <gtest/gtest.h>

#include <QCoreApplication>

#include <string>
#include <vector>

#include "platform/ListenersContainer.h"
#include "platform/NotificationCenter.h"
#include "platform/Separator.h"
#include "platform/Volumes.h"
#include "support/TestSupport.h"

namespace {
struct Listener {
    explicit Listener(int id) : id(id) {}
    int id;
};
}  // namespace

TEST(ListenersContainer, NotifiesNewestFirstWithoutDuplicatesAndDropsGoneListeners) {
    ListenersContainer<Listener> container;
    auto a = std::make_shared<Listener>(1), b = std::make_shared<Listener>(2), c = std::make_shared<Listener>(3);
    container.add(a);
    container.add(b);
    container.add(a);
    container.add(nullptr);
    container.add(c);
    EXPECT_EQ(container.count(), 3);
    c.reset();
    std::vector<int> order;
    container.notify([&](Listener& l) { order.push_back(l.id); });
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    EXPECT_EQ(container.count(), 2);
    container.remove(a.get());
    EXPECT_FALSE(container.hasListener(a.get()));
    EXPECT_TRUE(container.hasListener(b.get()));
}

TEST(ListenersContainer, NotifyAsyncCoalescesIntoOneMainQueuePassInOrder) {
    drainMainLoop();
    ListenersContainer<Listener> first, second;
    auto a = std::make_shared<Listener>(1);
    first.add(a);
    second.add(a);
    std::vector<std::string> calls;
    first.notifyAsync([&](Listener&) { calls.push_back("first"); });
    second.notifyAsync([&](Listener&) { calls.push_back("second"); });
    first.notifyAsync([&](Listener&) { calls.push_back("third"); });
    EXPECT_TRUE(calls.empty());
    // One main-queue event runs all three: a single processEvents pass suffices.
    QCoreApplication::sendPostedEvents(QCoreApplication::instance());
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "third"}));
}

TEST(NotificationCenter, ObserversRemovedDuringDeliveryAreNotCalled) {
    auto& center = NotificationCenter::defaultCenter();
    int firstCalls = 0, secondCalls = 0;
    NotificationCenter::Token second = 0;
    auto first = center.addObserver("test.note", [&](const Notification& n) {
        ++firstCalls;
        EXPECT_EQ(n.userInfo.value("k").toInt(), 7);
        center.removeObserver(second);
    });
    second = center.addObserver("test.note", [&](const Notification&) { ++secondCalls; });
    center.post("test.note", {{"k", 7}});
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 0);
    center.removeObserver(first);
    center.post("test.note");
    EXPECT_EQ(firstCalls, 1);
}

TEST(Separator, BucketsObjectsByKey) {
    std::map<std::string, std::vector<int>> buckets;
    addObjectWithSeparatorKey(buckets, 1, std::string("odd"));
    addObjectWithSeparatorKey(buckets, 2, std::string("even"));
    addObjectWithSeparatorKey(buckets, 3, std::string("odd"));
    EXPECT_EQ(buckets["odd"], (std::vector<int>{1, 3}));
    std::map<int, std::map<int, std::vector<int>>> two;
    addObjectWithSeparatorKeys(two, 5, 1, 2);
    EXPECT_EQ(two[1][2], std::vector<int>{5});
}

TEST(Volumes, MountInfoParsingKnowsReadOnlyNetworkAndEscapedNames) {
    const std::string text =
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "40 27 0:50 / /media/my\\040disk ro,nosuid - vfat /dev/sdb1 ro\n"
        "41 27 0:51 / /mnt/share rw - nfs4 server:/export rw\n"
        "42 27 0:52 / /mnt/win rw - fuseblk /dev/sdc1 rw\n"
        "22 27 0:21 / /proc rw - proc proc rw\n";
    auto volumes = Volumes::parseMountInfo(text);
    ASSERT_EQ(volumes.size(), 5u);
    EXPECT_EQ(volumes[1].mountPoint, "/media/my disk");
    EXPECT_TRUE(volumes[1].readOnly);
    EXPECT_FALSE(volumes[0].readOnly);
    EXPECT_FALSE(volumes[2].local);
    EXPECT_TRUE(volumes[0].local);
    EXPECT_EQ(volumes[0].device, (std::uint64_t{254} << 32));
    EXPECT_TRUE(Volumes::isPseudoFileSystem(volumes[4].fileSystemType));
}

TEST(Volumes, TheVolumeOfAPathIsItsLongestMountPoint) {
    TempDir dir;
    auto volume = Volumes::standard().volumeOfPath(dir.path());
    ASSERT_TRUE(volume.has_value());
    EXPECT_TRUE(dir.path().starts_with(volume->mountPoint));
    EXPECT_EQ(Volumes::standard().volumeOfPath(dir / "does-not-exist"), std::nullopt);
}
