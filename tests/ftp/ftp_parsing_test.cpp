#include <gtest/gtest.h>

#include "ftp/ftp_client.h"
#include "ftp/passive_address.h"
#include "ftp/progress_reporter.h"
#include "ftp/reply_framer.h"
#include "platform/md5_digest.h"

namespace nubexa::test {
namespace {

std::vector<std::string> frame(const std::string& bytes, std::size_t piece = 0) {
    ReplyFramer framer;
    std::vector<std::string> replies;
    if (piece == 0)
        piece = bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        framer.feed(std::string_view(bytes).substr(at, piece));
        while (auto reply = framer.takeReply())
            replies.push_back(*reply);
    }
    return replies;
}

TEST(ReplyFraming, MultiLineRepliesEndAtTheirOwnCodeAndBlank) {
    const std::string greeting = "220-Welcome\r\n220-second line\r\n220 ready\r\n";
    for (std::size_t piece : {0, 1, 7}) {
        const auto replies = frame(greeting + "331 password\r\n", piece);
        ASSERT_EQ(replies.size(), 2u) << "piece " << piece;
        EXPECT_EQ(replies[0], greeting);
        EXPECT_EQ(replies[1], "331 password\r\n");
    }
    // Lines inside a multi-line reply that begin with another code, or with the same code and
    // a hyphen, do not end it.
    const auto inner = frame("211-Features\r\n 226 looks like a code\r\n211-more\r\n211 End\r\n");
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(replyCode(inner[0]), "211");
}

TEST(ReplyFraming, SeveralRepliesInOneReadAreTakenOneByOne) {
    ReplyFramer framer;
    framer.feed("150 opening\r\n226-done\r\n226 bye\r\n221 ");
    EXPECT_EQ(replyCode(*framer.takeReply()), "150");
    EXPECT_EQ(*framer.takeReply(), "226-done\r\n226 bye\r\n");
    EXPECT_FALSE(framer.takeReply());
    EXPECT_EQ(framer.takePartial(), "221 ");
    framer.feed("200 next\n");  // a bare line feed ends a line too
    EXPECT_EQ(*framer.takeReply(), "200 next\n");
}

TEST(ReplyFraming, HostileBytesNeverHoldUnboundedTextOrSwallowLaterReplies) {
    // An HTTP answer: each line that is not "ddd-" is a reply of its own, judged on its code.
    auto replies = frame("HTTP/1.1 400 Bad Request\r\nServer: x\r\n\r\n");
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replyCode(replies[0]), "HTT");

    std::string withNul("220 he\0llo\x01\x7f\r\n", 14);
    replies = frame(withNul);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], withNul);

    // Hundreds of continuation lines, then a very long line: framed, kept within the bound.
    std::string many = "220-start\r\n";
    for (int i = 0; i < 500; ++i)
        many += "220-line " + std::to_string(i) + "\r\n";
    many += "220 " + std::string(1 << 20, 'x') + "\r\n331 next\r\n";
    replies = frame(many, 4096);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].size(), ReplyFramer::kMaxReplyBytes);
    EXPECT_EQ(replies[1], "331 next\r\n");
}

TEST(PassiveReply, ParsesTheLastParenthesesOrTheFirstSixNumbers) {
    auto address = parsePassiveReply("227 Entering Passive Mode (10,0,0,5,19,137)\r\n");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, "10.0.0.5");
    EXPECT_EQ(address->port, 5001);

    address = parsePassiveReply("227 (1,1,1,1,1,1) then (127,0,0,1,4,1).\r\n");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, "127.0.0.1");
    EXPECT_EQ(address->port, 1025);

    address = parsePassiveReply("227 Entering Passive Mode 127,0,0,1,200,10\r\n");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->port, 200 * 256 + 10);

    // A late "200" of TYPE I before the 227 line in the same text.
    address = parsePassiveReply("200 TYPE is I\r\n227 Passive (127,0,0,1,10,20)\r\n");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->port, 10 * 256 + 20);
}

TEST(PassiveReply, RefusesAddressesThatAreNotSixBytes) {
    for (const char* reply :
         {"227 Entering Passive Mode\r\n", "227 (127,0,0,1,19)\r\n", "227 (300,0,0,1,19,137)\r\n",
          "227 (127,0,0,1,-1,5)\r\n", "227 (127,0,0,1,0,0)\r\n", "", "227 (a,b,c,d,e,f)\r\n",
          "227 (1234,0,0,1,1,1)\r\n"}) {
        EXPECT_FALSE(parsePassiveReply(reply)) << reply;
    }
}

TEST(PassiveReply, ExtendedRepliesGiveOnlyTheirPort) {
    EXPECT_EQ(passivePort("229 Entering Extended Passive Mode (|||6446|)\r\n"), 6446);
    EXPECT_EQ(passivePort("229 (!!!65535!)\r\n"), 65535);
    EXPECT_EQ(passivePort("227 Entering Passive Mode (10,0,0,5,19,137)\r\n"), 5001);
    for (const char* reply :
         {"229 (|||0|)\r\n", "229 (|||65536|)\r\n", "229 (||6446|)\r\n", "229 (|||64a6|)\r\n",
          "229 (|||6446)\r\n", "229 (1112221)\r\n", "229 (|||)\r\n", "229 Extended\r\n"}) {
        EXPECT_FALSE(passivePort(reply)) << reply;
    }
}

TEST(NameSplit, ExtensionIsFromTheLastDot) {
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(FTPClient::SplitNameExt("photo.jpg"), P("photo", ".jpg"));
    EXPECT_EQ(FTPClient::SplitNameExt("archive.tar.gz"), P("archive.tar", ".gz"));
    EXPECT_EQ(FTPClient::SplitNameExt("README"), P("README", ""));
    EXPECT_EQ(FTPClient::SplitNameExt(".bashrc"), P(".bashrc", ""));
}

TEST(UploadDigest, IsUpperCaseHexMd5OfAllPieces) {
    Md5Digest empty;
    EXPECT_EQ(empty.hexUpper(), "D41D8CD98F00B204E9800998ECF8427E");
    Md5Digest pieces;
    pieces.update("The quick brown fox ", 20);
    pieces.update("jumps over the lazy dog", 23);
    EXPECT_EQ(pieces.hexUpper(), "9E107D9D372BB6826BD81D3542A419D6");
}

TEST(TransferSpeed, FirstSecondIsBytesOverElapsedTime) {
    EXPECT_EQ(speedKBps(512 * 1024, 500), 1024);
    EXPECT_EQ(speedKBps(1024, 0), 1000);  // no division by zero
    EXPECT_EQ(speedKBps(-5, 100), 0);
}

}  // namespace
}  // namespace nubexa::test
