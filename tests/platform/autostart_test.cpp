#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/autostart.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

class SessionAutostart : public ::testing::Test {
protected:
    SessionAutostart() {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_old = old;
        ::setenv("XDG_CONFIG_HOME", m_dir.path().c_str(), 1);
    }
    ~SessionAutostart() override {
        if (m_old) {
            ::setenv("XDG_CONFIG_HOME", m_old->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }
    std::string entry() const { return m_dir.path() + "/autostart/nubexa-client.desktop"; }
    std::string entryText() const {
        std::ifstream in(entry());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempDir m_dir;
    std::optional<std::string> m_old;
};

TEST_F(SessionAutostart, EntryStartsTheExactProgramAndGoesAway) {
    const auto autostart = makeSessionAutostart();
    std::string error;
    EXPECT_TRUE(autostart->disable(error)) << "nothing set up: nothing to do";
    EXPECT_FALSE(autostart->enabled());

    // Blanks, quotes, dollars, backslashes and percent signs reach the program unchanged.
    ASSERT_TRUE(autostart->enable("/opt/my apps/a\"b$c\\d%e/nubexa-client", error)) << error;
    EXPECT_TRUE(autostart->enabled());
    const std::string text = entryText();
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/a\\\\\"b\\\\$c\\\\\\\\d%%e/nubexa-client\"\n"),
              std::string::npos)
        << text;
    EXPECT_FALSE(std::filesystem::exists(entry() + ".part"));

    // Enabling again replaces the entry; a line break cannot add keys to it.
    ASSERT_TRUE(autostart->enable("/usr/bin/nubexa-client", error));
    EXPECT_NE(entryText().find("\nExec=\"/usr/bin/nubexa-client\"\n"), std::string::npos);
    EXPECT_FALSE(autostart->enable("/usr/bin/x\nHidden=true", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(entryText().find("Hidden"), std::string::npos);

    EXPECT_TRUE(autostart->disable(error));
    EXPECT_FALSE(std::filesystem::exists(entry()));
    EXPECT_FALSE(autostart->enabled());
}

// A user who chose a data folder starts in it after logging in too.
TEST_F(SessionAutostart, EntryKeepsTheChosenDataFolder) {
    const char* old = std::getenv("NUBEXA_HOME");
    const std::optional<std::string> kept = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("NUBEXA_HOME", "/srv/my data/nubexa", 1);
    const auto autostart = makeSessionAutostart();
    std::string error;
    const bool enabled = autostart->enable("/usr/bin/nubexa-client", error);
    ::setenv("NUBEXA_HOME", "/x\nHidden=true", 1);
    const bool injected = autostart->enable("/usr/bin/nubexa-client", error);
    if (kept) {
        ::setenv("NUBEXA_HOME", kept->c_str(), 1);
    } else {
        ::unsetenv("NUBEXA_HOME");
    }
    ASSERT_TRUE(enabled);
    EXPECT_FALSE(injected);
    EXPECT_NE(
        entryText().find(
            "\nExec=\"env\" \"NUBEXA_HOME=/srv/my data/nubexa\" \"/usr/bin/nubexa-client\"\n"),
        std::string::npos)
        << entryText();
}

}  // namespace
}  // namespace nubexa::test
