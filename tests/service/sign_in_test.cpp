#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "endpoints.h"
#include "service_fixture.h"

namespace nubexa::test {
namespace {

std::string clientElement(const std::string& avatar = "me.png") {
    return R"(<client key="K" token="T1" param_token="PT" uid="42" DiskSize="1073741824")"
           R"( UsedSize="1024" avatar=")" +
           avatar +
           R"(" ftp_host="127.0.0.1" ftp_username="fu" ftp_pwd="fp" ftp_port="2121")"
           R"( resource_ftp_host="10.0.0.2" resource_ftp_port="21" resource_ftp_username="ru")"
           R"( resource_ftp_pwd="rp" draw_count="3" max_draw_size="500"/>)";
}

class SignIn : public ServiceTest {
protected:
    void writeAvatar(const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(programFolder() + "image/userFile");
        writeFile(programFolder() + "image/userFile/" + name, bytes);
    }
};

TEST_F(SignIn, LoginSendsAccountAndPasswordEncodedWithoutTokenOrSign) {
    m_server.answer(kLogin, accepted(clientElement()));
    EXPECT_EQ(client().signIn("a&b", "pw中&x=+").value, 1);
    EXPECT_EQ(m_server.lastTarget(), kLogin + "?uid=a%26b&pwd=pw%E4%B8%AD%26x%3D%2B");

    // A space cannot travel raw; it goes as %20 (never "+", which the service reads as space
    // only in encoded names).
    client().signIn("a b", "x");
    EXPECT_EQ(m_server.lastTarget(), kLogin + "?uid=a%20b&pwd=x");
}

TEST_F(SignIn, LoginFillsEveryMemberOfTheAccount) {
    writeAvatar("me.png", "png");
    m_server.answer(kLogin, accepted(clientElement()));
    ASSERT_EQ(client().signIn("alice", "pw").value, 1);
    const AccountInfo a = client().account();
    EXPECT_EQ(a.key, "K");
    EXPECT_EQ(a.token, "T1");
    EXPECT_EQ(a.param_token, "PT");
    EXPECT_EQ(a.uid, "42");
    EXPECT_EQ(a.disk_size, "1073741824");
    EXPECT_EQ(a.used_size, "1024");
    EXPECT_EQ(a.avatar, "me.png");
    EXPECT_EQ(a.avatar_path, "image/userFile/me.png");
    EXPECT_EQ(a.avatar_cached, 1);
    EXPECT_EQ(a.ftp_host, "127.0.0.1");
    EXPECT_EQ(a.ftp_username, "fu");
    EXPECT_EQ(a.ftp_pwd, "fp");
    EXPECT_EQ(a.ftp_port, 2121);
    EXPECT_EQ(a.resource_ftp_host, "10.0.0.2");
    EXPECT_EQ(a.resource_ftp_port, 21);
    EXPECT_EQ(a.resource_ftp_username, "ru");
    EXPECT_EQ(a.resource_ftp_pwd, "rp");
    EXPECT_EQ(a.draw_count, 3);
    EXPECT_EQ(a.max_draw_size, 500);
    EXPECT_EQ(a.current_dir_id, "0");
    EXPECT_EQ(a.parent_dir_id, "0");
    EXPECT_EQ(a.sort_order, "name");
    EXPECT_EQ(a.sort_desc, "0");
    EXPECT_EQ(a.frame_image, "image/skin/frame7.jpg");
    EXPECT_EQ(a.signed_in, 1);
    EXPECT_EQ(a.folder_tree_stale, 1);
    EXPECT_EQ(a.web_signin_kind, "qq");
}

TEST_F(SignIn, ARefusalOrAnAnswerWithoutClientLeavesTheAccountUntouched) {
    const AccountInfo before = client().account();
    m_server.answer(kLogin, refused(clientElement()));
    EXPECT_EQ(client().signIn("alice", "bad").value, 0);
    m_server.answer(kLogin, accepted());
    EXPECT_EQ(client().signIn("alice", "pw").value, 0);
    m_server.answer(kLogin, "<root><client uid=\"1\"/></root>");
    EXPECT_EQ(client().signIn("alice", "pw").value, 0);
    const AccountInfo after = client().account();
    EXPECT_EQ(after.uid, before.uid);
    EXPECT_EQ(after.token, before.token);
    EXPECT_EQ(after.signed_in, 0);
    EXPECT_EQ(after.sid, before.sid);
}

TEST_F(SignIn, AvatarNeedsContentForLoginButOnlyPresenceForWebSignIn) {
    writeAvatar("empty.png", "");
    m_server.answer(kLogin, accepted(clientElement("empty.png")));
    ASSERT_EQ(client().signIn("alice", "pw").value, 1);
    EXPECT_EQ(client().account().avatar_path, "image/userFile/faceDemo.png");
    EXPECT_EQ(client().account().avatar_cached, 0);

    m_server.answer(kApiLogin, accepted(clientElement("empty.png")));
    ASSERT_EQ(client().webSignIn().value, 1);
    EXPECT_EQ(client().account().avatar_path, "image/userFile/empty.png");
    EXPECT_EQ(client().account().avatar_cached, 1);

    m_server.answer(kLogin, accepted(clientElement("missing.png")));
    ASSERT_EQ(client().signIn("alice", "pw").value, 1);
    EXPECT_EQ(client().account().avatar_path, "image/userFile/faceDemo.png");
    EXPECT_EQ(client().account().avatar, "missing.png");
}

TEST_F(SignIn, AnAvatarNameThatLeavesTheAvatarFolderIsDropped) {
    // A real file outside the avatar folder that the hostile names point at.
    writeFile(programFolder() + "secret.png", "x");
    std::filesystem::create_directories(programFolder() + "image/userFile");
    for (const std::string name : {"../../secret.png", "/etc/passwd", "..", "a\\..\\b"}) {
        m_server.answer(kLogin, accepted(clientElement(name)));
        ASSERT_EQ(client().signIn("alice", "pw").value, 1) << name;
        EXPECT_EQ(client().account().avatar, "") << name;
        EXPECT_EQ(client().account().avatar_path, "image/userFile/faceDemo.png") << name;
        EXPECT_EQ(client().account().avatar_cached, 0) << name;
    }
}

TEST_F(SignIn, ApiLoginSendsOnlyTheSidThenReadsUserInfoAndTheRootListing) {
    const std::string sid = client().account().sid;
    m_server.answer(kApiLogin, refused());
    EXPECT_EQ(client().webSignIn().value, 0);
    EXPECT_EQ(client().webSignIn().value, 0);
    EXPECT_EQ(client().account().signed_in, 0);
    EXPECT_EQ(sent(kApiLogin), std::vector<std::string>(2, kApiLogin + "?sid=" + sid));

    m_server.answer(kApiLogin, accepted(clientElement()));
    m_server.answer(kUserInfo, accepted("<user><VIP>1</VIP><Nickname>小明</Nickname></user>"));
    m_server.answer("/UserService.asmx/GetFiles", accepted("<files/><folders/>"));
    ASSERT_EQ(client().webSignIn().value, 1);
    const AccountInfo a = client().account();
    EXPECT_EQ(a.uid, "42");
    EXPECT_EQ(a.param_token, "");  // the web sign-in does not hand it out
    EXPECT_EQ(a.signed_in, 1);
    EXPECT_EQ(a.nickname, "小明");
    EXPECT_EQ(a.vip, "1");
    const auto listing = sent("/UserService.asmx/GetFiles");
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(listing[0],
              "/UserService.asmx/GetFiles?uid=42&token=T1&dir=0&order=name&desc=0"
              "&sign=" +
                  md5Hex("42T10name0"));
}

TEST_F(SignIn, GetUserInfoSignsUidAndTokenAndReadsTheUserElement) {
    m_server.answer(kUserInfo, accepted("<user><VIP>0</VIP><WIP>1</WIP><Integral>77</Integral>"
                                        "<Nickname>Bob</Nickname><UploadSize>5368709120"
                                        "</UploadSize></user>"));
    EXPECT_EQ(client().GetUserInfo("42", "T1"), 1);
    EXPECT_EQ(m_server.lastTarget(),
              kUserInfo + "?uid=42&token=T1&sign=0F528911ECBF9B4754FE649D19A27FF4");
    EXPECT_EQ(md5Hex("42T1"), "0F528911ECBF9B4754FE649D19A27FF4");
    const AccountInfo a = client().account();
    EXPECT_EQ(a.vip, "0");
    EXPECT_EQ(a.wip, "1");
    EXPECT_EQ(a.integral, "77");
    EXPECT_EQ(a.nickname, "Bob");
    EXPECT_EQ(a.upload_size, 5368709120LL);

    // Fields are read in order and only when found: a missing one keeps its value.
    m_server.answer(kUserInfo, accepted("<user><Nickname>Carl</Nickname></user>"));
    EXPECT_EQ(client().GetUserInfo("42", "T1"), 1);
    EXPECT_EQ(client().account().nickname, "Carl");
    EXPECT_EQ(client().account().wip, "1");
}

TEST_F(SignIn, GetUserInfoWithoutUserAsksAgainUpToTheBound) {
    m_server.answer(kUserInfo, accepted());
    EXPECT_EQ(client().GetUserInfo("42", "T1"), 0);
    EXPECT_EQ(sent(kUserInfo).size(), 3u);

    m_server.clearTargets();
    m_server.answerInTurn(kUserInfo,
                          {"<root><user/></root>", accepted("<user><VIP>9</VIP></user>")});
    EXPECT_EQ(client().GetUserInfo("42", "T1"), 1);
    EXPECT_EQ(sent(kUserInfo).size(), 2u);
    EXPECT_EQ(client().account().vip, "9");
}

TEST_F(SignIn, ResetAccountClearsTheSignInAndDrawsANewSid) {
    m_server.answer(kLogin, accepted(clientElement()));
    ASSERT_EQ(client().signIn("alice", "pw").value, 1);
    client().updateAccount([](AccountInfo& a) { a.web_signin_state = 2; });
    const std::string sidBefore = client().account().sid;
    EXPECT_EQ(client().ResetAccount(), 1);
    const AccountInfo a = client().account();
    EXPECT_EQ(a.uid, "-1");
    EXPECT_EQ(a.token, "");
    EXPECT_EQ(a.key, "");
    EXPECT_EQ(a.signed_in, 0);
    EXPECT_EQ(a.ftp_host, "");
    EXPECT_EQ(a.ftp_username, "");
    EXPECT_EQ(a.ftp_pwd, "");
    EXPECT_EQ(a.ftp_port, 0);
    EXPECT_EQ(a.web_signin_state, 0);
    // Kept: what the account page still shows until the next sign-in.
    EXPECT_EQ(a.param_token, "PT");
    EXPECT_EQ(a.resource_ftp_host, "10.0.0.2");
    EXPECT_EQ(a.sort_order, "name");
    // Drawn within the same second and still different: the sid is not derived from the time.
    EXPECT_NE(a.sid, sidBefore);
}

TEST(Sid, IsTwentyCharactersOfTheAlphabetAndDoesNotRepeat) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string sid = ServiceClient::drawSid();
        ASSERT_EQ(sid.size(), 20u);
        EXPECT_EQ(
            sid.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
            std::string::npos);
        seen.insert(sid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

}  // namespace
}  // namespace nubexa::test
