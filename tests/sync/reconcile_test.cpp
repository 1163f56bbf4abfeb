#include "sync/reconcile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nubexa {
namespace {

// How one side of a file stands in a case: added or absent without a journal entry;
// unchanged, changed or deleted against one.
enum class Was { kAdded, kAbsent, kUnchanged, kChanged, kDeleted };

const LocalFileState kSyncedLocal{"doc/a.txt", 10, 1'000, 7};
const RemoteFileState kSyncedRemote{"doc/a.txt", "41", 10, "2026-01-01 10:00"};

JournalEntry syncedEntry() {
    JournalEntry entry;
    entry.localPath = entry.remotePath = "doc/a.txt";
    entry.synced = true;
    entry.local = kSyncedLocal;
    entry.remote = kSyncedRemote;
    return entry;
}

ReconcileInput oneFile(SyncMode mode, Was local, Was remote) {
    ReconcileInput input;
    input.mode = mode;
    input.conflictStamp = "20261209-170500";
    input.deletionsConfirmed = true;  // the rail has its own test
    const bool journal = local != Was::kAdded && local != Was::kAbsent;
    if (journal)
        input.journal.push_back(syncedEntry());
    LocalFileState l = kSyncedLocal;
    if (local == Was::kChanged)
        l.mtime += 5;
    if (local != Was::kAbsent && local != Was::kDeleted)
        input.local.files.push_back(l);
    RemoteFileState r = kSyncedRemote;
    if (remote == Was::kChanged) {
        r.id = "42";  // a new version is a new file on the disk
        r.time = "2026-01-02 10:00";
    }
    if (remote != Was::kAbsent && remote != Was::kDeleted)
        input.remote.push_back(r);
    return input;
}

// The plan in a word or two per action.
std::string describe(const SyncPlan& plan) {
    std::string text;
    for (const SyncAction& action : plan.actions) {
        if (!text.empty())
            text += "+";
        switch (action.kind) {
            case SyncAction::Kind::kUpload:
                text += action.replacesRemoteId.empty() ? "up"
                                                        : "up-replacing-" + action.replacesRemoteId;
                break;
            case SyncAction::Kind::kDownload:
                text += std::string(action.replacesLocal ? "down-replacing-" : "down-") +
                        action.remoteId;
                break;
            case SyncAction::Kind::kTrashLocal:
                text += "trash-local";
                break;
            case SyncAction::Kind::kTrashRemote:
                text += "trash-remote-" + action.remoteId;
                break;
            case SyncAction::Kind::kConflictCopy:
                text += "conflict-copy";
                break;
            case SyncAction::Kind::kForget:
                text += "forget";
                break;
            case SyncAction::Kind::kRecord:
                text += "record";
                break;
        }
    }
    return text;
}

struct Case {
    Was local;
    Was remote;
    const char* twoWay;
    const char* backup;
    const char* mirror;
};

using W = Was;
// Every combination that can occur for one file, and what each mode makes of it.
const Case kCases[] = {
    {W::kAdded, W::kAbsent, "up", "up", ""},
    {W::kAbsent, W::kAdded, "down-41", "", "down-41"},
    {W::kAdded, W::kAdded, "conflict-copy+down-41", "up-replacing-41", "conflict-copy+down-41"},
    {W::kUnchanged, W::kUnchanged, "", "", ""},
    {W::kUnchanged, W::kChanged, "down-replacing-42", "", "down-replacing-42"},
    {W::kUnchanged, W::kDeleted, "trash-local", "up", "trash-local"},
    {W::kChanged, W::kUnchanged, "up-replacing-41", "up-replacing-41", ""},
    {W::kChanged, W::kChanged, "conflict-copy+down-42", "up-replacing-42", "conflict-copy+down-42"},
    {W::kChanged, W::kDeleted, "up", "up", "forget"},
    {W::kDeleted, W::kUnchanged, "trash-remote-41", "forget", "down-41"},
    {W::kDeleted, W::kChanged, "down-42", "forget", "down-42"},
    {W::kDeleted, W::kDeleted, "forget", "forget", "forget"},
};

TEST(Reconcile, EveryCombinationOfBothSidesInEveryMode) {
    for (const Case& c : kCases) {
        const auto label = ::testing::Message() << "local " << static_cast<int>(c.local)
                                                << " remote " << static_cast<int>(c.remote);
        EXPECT_EQ(describe(reconcile(oneFile(SyncMode::kTwoWay, c.local, c.remote))), c.twoWay)
            << label << " two-way";
        EXPECT_EQ(describe(reconcile(oneFile(SyncMode::kBackup, c.local, c.remote))), c.backup)
            << label << " backup";
        EXPECT_EQ(describe(reconcile(oneFile(SyncMode::kMirror, c.local, c.remote))), c.mirror)
            << label << " mirror";
    }
}

// The same sides for an empty folder "doc/": being there is all a folder has, so it is made
// where the mode carries it, recorded where both sides hold it, and deleted by the file rules.
ReconcileInput oneFolder(SyncMode mode, Was local, Was remote) {
    ReconcileInput input;
    input.mode = mode;
    input.deletionsConfirmed = true;
    if (local != Was::kAdded && local != Was::kAbsent) {
        JournalEntry entry;
        entry.localPath = entry.remotePath = "doc/";
        entry.synced = true;
        entry.local = {"doc/", 0, 0, 0};
        entry.remote = {"doc/", "41", 0, {}};
        input.journal.push_back(entry);
    }
    if (local != Was::kAbsent && local != Was::kDeleted)
        input.local.folders.push_back("doc");
    if (remote != Was::kAbsent && remote != Was::kDeleted)
        input.remoteFolders.push_back({"doc", remote == Was::kChanged ? "42" : "41", 0, {}});
    return input;
}

TEST(Reconcile, AnEmptyFolderFollowsTheFileRulesInEveryMode) {
    const Case folderCases[] = {
        {W::kAdded, W::kAbsent, "up", "up", ""},
        {W::kAbsent, W::kAdded, "down-41", "", "down-41"},
        {W::kAdded, W::kAdded, "record", "record", "record"},
        {W::kUnchanged, W::kUnchanged, "", "", ""},
        {W::kUnchanged, W::kChanged, "record", "record", "record"},  // made again on the disk
        {W::kUnchanged, W::kDeleted, "trash-local", "up", "trash-local"},
        {W::kDeleted, W::kUnchanged, "trash-remote-41", "forget", "down-41"},
        {W::kDeleted, W::kChanged, "down-42", "forget", "down-42"},
        {W::kDeleted, W::kDeleted, "forget", "forget", "forget"},
    };
    for (const Case& c : folderCases) {
        const auto label = ::testing::Message() << "local " << static_cast<int>(c.local)
                                                << " remote " << static_cast<int>(c.remote);
        const SyncMode modes[] = {SyncMode::kTwoWay, SyncMode::kBackup, SyncMode::kMirror};
        const char* expected[] = {c.twoWay, c.backup, c.mirror};
        for (int m = 0; m < 3; ++m) {
            const SyncPlan plan = reconcile(oneFolder(modes[m], c.local, c.remote));
            EXPECT_EQ(describe(plan), expected[m]) << label << " " << syncModeName(modes[m]);
            for (const SyncAction& action : plan.actions) {
                EXPECT_TRUE(action.folder);
                EXPECT_EQ(action.localPath, "doc/");
            }
        }
    }
}

// A folder deleted on one side goes after what was in it, and stays where the other side
// has something new in it.
TEST(Reconcile, AFolderIsDeletedOnlyWithEverythingInIt) {
    ReconcileInput input = oneFolder(SyncMode::kTwoWay, W::kDeleted, W::kUnchanged);
    input.journal.push_back(syncedEntry());  // doc/a.txt, deleted locally with its folder
    input.remote.push_back(kSyncedRemote);
    EXPECT_EQ(describe(reconcile(input)), "trash-remote-41+trash-remote-41");
    const SyncPlan plan = reconcile(input);
    EXPECT_EQ(plan.actions[0].localPath, "doc/a.txt");
    EXPECT_EQ(plan.actions[1].localPath, "doc/");

    input.remote.push_back({"doc/new.txt", "77", 3, "t"});
    EXPECT_EQ(describe(reconcile(input)), "trash-remote-41+down-77");
    EXPECT_EQ(reconcile(input).actions[0].localPath, "doc/a.txt");

    // The same on the local side: a new local file keeps the folder the disk deleted.
    ReconcileInput local = oneFolder(SyncMode::kTwoWay, W::kUnchanged, W::kDeleted);
    local.local.files.push_back({"doc/mine.txt", 1, 1, 1});
    EXPECT_EQ(describe(reconcile(local)), "up");
}

TEST(Reconcile, NoModeLosesAChangedLocalFileOrDeletesOnTheDiskInBackup) {
    for (const Case& c : kCases) {
        for (SyncMode mode : {SyncMode::kBackup, SyncMode::kMirror, SyncMode::kTwoWay}) {
            const SyncPlan plan = reconcile(oneFile(mode, c.local, c.remote));
            bool copied = false;
            for (const SyncAction& action : plan.actions) {
                copied = copied || action.kind == SyncAction::Kind::kConflictCopy;
                if (c.local == W::kChanged || c.local == W::kAdded) {
                    EXPECT_NE(action.kind, SyncAction::Kind::kTrashLocal) << syncModeName(mode);
                    EXPECT_FALSE(action.replacesLocal) << syncModeName(mode);
                    if (action.kind == SyncAction::Kind::kDownload) {
                        EXPECT_TRUE(copied) << syncModeName(mode);
                    }
                }
                if (mode == SyncMode::kBackup) {
                    EXPECT_NE(action.kind, SyncAction::Kind::kTrashRemote);
                }
            }
        }
    }
}

TEST(Reconcile, ConflictCopyKeepsTheExtensionAndNamesTheTime) {
    const SyncPlan plan = reconcile(oneFile(SyncMode::kTwoWay, W::kChanged, W::kChanged));
    ASSERT_EQ(plan.actions.size(), 2u);
    EXPECT_EQ(plan.actions[0].conflictPath, "doc/a (冲突 20261209-170500).txt");
    EXPECT_EQ(plan.actions[1].localPath, "doc/a.txt");
    EXPECT_FALSE(plan.actions[1].replacesLocal);  // the local version stepped aside first
    EXPECT_EQ(conflictPathFor("x.d/.profile", "T"), "x.d/.profile (冲突 T)");
    EXPECT_EQ(conflictPathFor("noext", "T"), "noext (冲突 T)");
}

TEST(Reconcile, MappedNamesGoUpFullWidthAndTheJournalKeepsThemApart) {
    ReconcileInput input;
    input.mode = SyncMode::kTwoWay;
    input.local.files = {{"q:a/why?.txt", 3, 5, 9}, {"bad/\xff", 1, 1, 1}};
    SyncPlan plan = reconcile(input);
    ASSERT_EQ(plan.actions.size(), 1u);
    EXPECT_EQ(plan.actions[0].remotePath, "q\uFF1Aa/why\uFF1F.txt");
    ASSERT_EQ(plan.unsendable.size(), 1u);
    EXPECT_EQ(plan.unsendable[0].first, "bad/\xff");

    // Once synced, the full-width name on the disk is the same file, not a new one to fetch.
    JournalEntry entry;
    entry.localPath = "q:a/why?.txt";
    entry.remotePath = plan.actions[0].remotePath;
    entry.synced = true;
    entry.local = input.local.files[0];
    entry.remote = {entry.remotePath, "7", 3, "t"};
    input.journal = {entry};
    input.remote = {entry.remote};
    plan = reconcile(input);
    EXPECT_EQ(describe(plan), "");
    EXPECT_EQ(plan.files, 1);
}

// An earlier round was cut off after its transfer but before the journal heard of it.
TEST(Reconcile, AFinishedTransferThatWasNotRecordedIsRecordedNotRepeated) {
    ReconcileInput upload = oneFile(SyncMode::kTwoWay, W::kChanged, W::kChanged);
    JournalEntry& entry = upload.journal[0];
    entry.pending.kind = PendingAction::Kind::kUpload;
    entry.pending.local = upload.local.files[0];
    upload.remote[0].size = upload.local.files[0].size;
    EXPECT_EQ(describe(reconcile(upload)), "record");
    // The file changed again since: the pending upload says nothing about it.
    upload.local.files[0].mtime += 1;
    EXPECT_EQ(describe(reconcile(upload)), "conflict-copy+down-42");

    // A first upload that never reached the journal's synced state.
    ReconcileInput first = oneFile(SyncMode::kBackup, W::kAdded, W::kAdded);
    JournalEntry pendingOnly;
    pendingOnly.localPath = pendingOnly.remotePath = "doc/a.txt";
    pendingOnly.pending.kind = PendingAction::Kind::kUpload;
    pendingOnly.pending.local = first.local.files[0];
    first.journal = {pendingOnly};
    EXPECT_EQ(describe(reconcile(first)), "record");

    ReconcileInput download = oneFile(SyncMode::kMirror, W::kChanged, W::kChanged);
    download.journal[0].pending.kind = PendingAction::Kind::kDownload;
    download.journal[0].pending.remoteId = "42";
    download.journal[0].pending.remoteSize = 10;
    EXPECT_EQ(describe(reconcile(download)), "record");
    download.local.files[0].size = 4;  // cut short: not the download's file
    EXPECT_EQ(describe(reconcile(download)), "conflict-copy+down-42");
}

// A pair of `count` synced files, the first of them touched on one side.
enum class Touch { kNone, kEditLocal, kEditRemote, kDeleteLocal, kDeleteRemote };

ReconcileInput syncedFiles(SyncMode mode, int count, const std::vector<Touch>& touches) {
    ReconcileInput input;
    input.mode = mode;
    for (int i = 0; i < count; ++i) {
        JournalEntry entry = syncedEntry();
        entry.localPath = entry.remotePath = entry.local.path = entry.remote.path =
            "f" + std::to_string(i);
        entry.remote.id = std::to_string(100 + i);
        input.journal.push_back(entry);
        LocalFileState local = entry.local;
        RemoteFileState remote = entry.remote;
        const Touch touch = i < static_cast<int>(touches.size()) ? touches[i] : Touch::kNone;
        if (touch == Touch::kEditLocal)
            local.mtime += 5;
        if (touch == Touch::kEditRemote)
            remote.id = std::to_string(200 + i);
        if (touch != Touch::kDeleteLocal)
            input.local.files.push_back(local);
        if (touch != Touch::kDeleteRemote)
            input.remote.push_back(remote);
    }
    return input;
}

TEST(Reconcile, ManyDeletionsAskFirstAndAVanishedFolderPauses) {
    ReconcileInput input = syncedFiles(
        SyncMode::kTwoWay, 10, {Touch::kDeleteLocal, Touch::kDeleteLocal, Touch::kDeleteLocal});
    SyncPlan plan = reconcile(input);
    EXPECT_EQ(plan.verdict, SyncPlan::Verdict::kProceed);  // 3 of 10 is not more than 30 %
    EXPECT_EQ(plan.destructive, 3);
    input.local.files.erase(input.local.files.begin());
    plan = reconcile(input);
    EXPECT_EQ(plan.verdict, SyncPlan::Verdict::kAsk);
    EXPECT_EQ(plan.destructive, 4);
    input.deletionsConfirmed = true;
    EXPECT_EQ(reconcile(input).verdict, SyncPlan::Verdict::kProceed);

    input.local = {};
    input.local.rootPresent = false;
    plan = reconcile(input);
    EXPECT_EQ(plan.verdict, SyncPlan::Verdict::kPaused);
    EXPECT_TRUE(plan.actions.empty());
}

// Ordinary edits in the mode's direction never ask, however small the pair; deletions and
// versions written over before they were ever synced do.
TEST(Reconcile, TheRailAsksForDeletionsAndLostVersionsNotForEdits) {
    using T = Touch;
    using V = SyncPlan::Verdict;
    struct RailCase {
        SyncMode mode;
        std::vector<Touch> touches;
        V verdict;
        const char* plan;
    };
    const RailCase cases[] = {
        {SyncMode::kBackup, {T::kEditLocal}, V::kProceed, "up-replacing-100"},
        {SyncMode::kTwoWay, {T::kEditLocal}, V::kProceed, "up-replacing-100"},
        {SyncMode::kTwoWay, {T::kEditRemote}, V::kProceed, "down-replacing-200"},
        {SyncMode::kMirror, {T::kEditRemote}, V::kProceed, "down-replacing-200"},
        {SyncMode::kTwoWay,
         {T::kEditLocal, T::kEditRemote, T::kEditLocal},
         V::kProceed,
         "up-replacing-100+down-replacing-201+up-replacing-102"},
        {SyncMode::kTwoWay,
         {T::kDeleteLocal, T::kDeleteLocal},
         V::kAsk,
         "trash-remote-100+trash-remote-101"},
        {SyncMode::kTwoWay,
         {T::kDeleteRemote, T::kDeleteRemote},
         V::kAsk,
         "trash-local+trash-local"},
        {SyncMode::kMirror,
         {T::kDeleteRemote, T::kDeleteRemote},
         V::kAsk,
         "trash-local+trash-local"},
        // A backup never deletes on the disk; what the disk lost goes up again.
        {SyncMode::kBackup, {T::kDeleteRemote, T::kDeleteRemote}, V::kProceed, "up+up"},
        {SyncMode::kTwoWay, {T::kDeleteLocal}, V::kAsk, "trash-remote-100"},
    };
    for (const RailCase& c : cases) {
        const SyncPlan plan = reconcile(syncedFiles(c.mode, 3, c.touches));
        EXPECT_EQ(plan.verdict, c.verdict) << syncModeName(c.mode) << " " << c.plan;
        EXPECT_EQ(describe(plan), c.plan) << syncModeName(c.mode);
        EXPECT_EQ(plan.files, 3);
    }

    // A backup writing over a disk version nobody synced (both sides changed) counts.
    ReconcileInput both = oneFile(SyncMode::kBackup, W::kChanged, W::kChanged);
    both.deletionsConfirmed = false;
    const SyncPlan clobber = reconcile(both);
    EXPECT_EQ(describe(clobber), "up-replacing-42");
    EXPECT_EQ(clobber.destructive, 1);
    EXPECT_EQ(clobber.verdict, V::kAsk);
}

TEST(Reconcile, FilesBelowAnUnreadableFolderAreNotTakenForDeleted) {
    ReconcileInput input = oneFile(SyncMode::kTwoWay, W::kDeleted, W::kUnchanged);
    input.local.unreadableFolders = {"doc"};
    EXPECT_EQ(describe(reconcile(input)), "");
    input.local.unreadableFolders = {"do"};
    EXPECT_EQ(describe(reconcile(input)), "trash-remote-41");
}

TEST(Reconcile, ModeNamesRoundTrip) {
    for (SyncMode mode : {SyncMode::kBackup, SyncMode::kMirror, SyncMode::kTwoWay})
        EXPECT_EQ(syncModeFromName(syncModeName(mode)), mode);
    EXPECT_FALSE(syncModeFromName("twoway").has_value());
}

}  // namespace
}  // namespace nubexa
