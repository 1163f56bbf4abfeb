#include <filesystem>

#include "ftp/upload_registrar.h"
#include "interop_fixture.h"

namespace nubexa::test {
namespace {

class FixedRegistrar : public UploadRegistrar {
public:
    explicit FixedRegistrar(std::string id) : m_id(std::move(id)) {}
    std::string registerUpload(const std::string&, const std::string&, std::int64_t,
                               const std::string&, const std::string& hash) override {
        hashes.push_back(hash);
        return m_id;
    }
    std::vector<std::string> hashes;

private:
    std::string m_id;
};

using PureFtpdInterop = PureFtpdTest;

TEST_F(PureFtpdInterop, FilesOfEverySizeGoBothWaysByteExact) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1023},
                                   std::size_t{1} << 20, std::size_t{100} << 20}) {
        const std::string name = "f" + std::to_string(size);
        m_server.putFile(name + ".bin", patternBytes(size, static_cast<unsigned>(size)));

        auto down = addDownload(name + ".bin", name + ".local", static_cast<std::int64_t>(size));
        EXPECT_EQ(signedIn()->Download(down), 1) << size;
        EXPECT_TRUE(sameContent(localFile(name + ".local"), m_server.path(name + ".bin"))) << size;
        EXPECT_EQ(row(down.id).transferSchedule, 100) << size;
        EXPECT_EQ(row(down.id).transferSize, static_cast<std::int64_t>(size));

        auto up = addUpload(name + ".local", static_cast<std::int64_t>(size));
        EXPECT_EQ(signedIn()->Upload(up, nullptr), 1) << size;
        EXPECT_TRUE(sameContent(m_server.path(name + ".local"), localFile(name + ".local")))
            << size;
        const auto stored = row(up.id);
        EXPECT_EQ(stored.status, task_status::kComplete) << size;
        EXPECT_EQ(stored.transferSize, static_cast<std::int64_t>(size));
        std::filesystem::remove(m_server.path(name + ".bin"));
        std::filesystem::remove(m_server.path(name + ".local"));
        std::filesystem::remove(localFile(name + ".local"));
    }
}

TEST_F(PureFtpdInterop, RenamedUploadKeepsOneCopyEvenWhenItsFinishWasLost) {
    const std::string bytes = patternBytes(200000, 21);
    writeFile(localFile("photo.jpg"), bytes);
    auto task = addUpload("photo.jpg", 200000);
    FixedRegistrar registrar("815");
    EXPECT_EQ(signedIn()->Upload(task, &registrar), 1);
    EXPECT_EQ(readFile(m_server.path("815.jpg")), bytes);
    EXPECT_FALSE(std::filesystem::exists(m_server.path("photo.jpg")));
    EXPECT_EQ(row(task.id).status, task_status::kComplete);

    // The same task again, as if the process had died between the rename and its row's finish:
    // every byte recorded, the stored name already gone.
    auto again = addUpload("photo.jpg", 200000);
    recordDone(again.id, 200000, 200000);
    again = reload(again.id);
    EXPECT_EQ(signedIn()->Upload(again, &registrar), 1);
    EXPECT_EQ(readFile(m_server.path("815.jpg")), bytes);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_server.path("")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"815.jpg"});
    ASSERT_EQ(registrar.hashes.size(), 2u);
    EXPECT_EQ(registrar.hashes[0], registrar.hashes[1]);

    auto client = signedIn();
    EXPECT_TRUE(client->Rename("815.jpg", "816.jpg"));
    EXPECT_FALSE(client->Rename("missing.jpg", "817.jpg"));
    EXPECT_EQ(client->RemoteSize("816.jpg"), 200000);
    EXPECT_TRUE(client->Quit());
}

TEST_F(PureFtpdInterop, RemoteFoldersAndMissingFilesAreHandledByTheirReplies) {
    std::filesystem::create_directories(m_server.path("photos/trip"));
    m_server.putFile("photos/trip/a.bin", patternBytes(5000, 2));
    auto client = signedIn();
    EXPECT_TRUE(client->ChangeDir("photos/trip"));
    auto task = addDownload("a.bin", "a.bin", 5000);
    EXPECT_EQ(client->Download(task), 1);
    EXPECT_EQ(readFile(localFile("a.bin")), patternBytes(5000, 2));

    auto other = signedIn();
    EXPECT_FALSE(other->ChangeDir("no/such/folder"));
    auto missing = addDownload("nothing.bin", "nothing.bin", 10);
    EXPECT_EQ(other->Download(missing), 0);
    EXPECT_EQ(row(missing.id).transferSize, 0);
}

}  // namespace
}  // namespace nubexa::test
