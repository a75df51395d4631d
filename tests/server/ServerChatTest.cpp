#include <gtest/gtest.h>

#include "support/ServerModelHarness.h"

namespace velmorak {
namespace {

using test::ServerModelHarness;
using Lines = std::vector<std::string>;

TEST(ServerChatTest, SortsIncomingTextIntoPages)
{
    ServerModelHarness fics;
    auto& chat = fics.chat;
    fics.feed({
        "puzzlebot(TD) tells you: To solve the next problem type \"tell puzzlebot next\"",
        "gbtami(1719)[77] kibitzes: Example 2: Dementyev vs Karpov, Riga 1971",
        "Notification: Hamster has arrived.",
        "ROBOadmin tells you: please behave",
        "Notification: Hamster has departed.",
        "(9 player(s) saw the seek.)",
    });
    EXPECT_EQ(chat.pageText("PUZZLEBOT"),
        "puzzlebot> To solve the next problem type \"tell puzzlebot next\"");
    EXPECT_EQ(chat.pageText("Kibitzes"),
        "gbtami(1719)[77] kibitzes: Example 2: Dementyev vs Karpov, Riga 1971");
    EXPECT_EQ(chat.pageText("Hamster"),
        "Notification: Hamster has arrived.\r\nNotification: Hamster has departed.");
    EXPECT_TRUE(chat.unreadChat());
    EXPECT_EQ(chat.chatPartners(), (Lines { "Hamster", "Kibitzes", "puzzlebot", "ROBOadmin" }));
    EXPECT_EQ(fics.prompt->title, "Seek sent");

    // The newest page of priority wins once; the robot's page never does.
    EXPECT_EQ(chat.chooseTarget(), "puzzlebot");
    EXPECT_EQ(chat.chooseTarget(), "puzzlebot");
    fics.feed({ "Notification: Hamster has arrived.", "Notification: Snail has arrived." });
    EXPECT_EQ(chat.chooseTarget(), "Snail") << "a known partner keeps its priority";
    EXPECT_EQ(chat.pageText("fics%"), "");
    EXPECT_EQ(&chat.findPage("nobody"), &fics.console);
}

TEST(ServerChatTest, ChannelsAndTheirPages)
{
    ServerModelHarness fics;
    auto& chat = fics.chat;
    EXPECT_TRUE(chat.joinChannel(4, fics.sink).empty());
    EXPECT_EQ(chat.joinChannel(4, fics.sink), "Channel already selected!");
    chat.sendChat("4", "hello channel", fics.sink);
    fics.feed({ "Hamster(4): hi all", "Other(53): not ours" });
    EXPECT_EQ(chat.channelText("4"), "Hamster(4): hi all");
    EXPECT_EQ(chat.pageText("4"), "gbtami> hello channel\r\nHamster(4): hi all");

    chat.addLogLine("first log line");
    EXPECT_EQ(chat.channelNames(), (Lines { "Server", "4", "VMK logmessages" }));
    EXPECT_TRUE(chat.leaveChannel("VMK logmessages", fics.sink));
    EXPECT_TRUE(chat.leaveChannel("4", fics.sink));
    chat.addLogLine("second");
    EXPECT_EQ(chat.channelText("VMK logmessages"), "second");
    EXPECT_EQ(fics.sink.sent, (Lines { "+channel 4", "tell 4 hello channel", "-channel 4" }));
    chat.clearPage("Server");
    EXPECT_EQ(fics.console.count(), 0U);
}

TEST(ServerChatTest, SendsChatAsSevenBitTextOnOneLine)
{
    ServerModelHarness fics;
    auto& chat = fics.chat;
    chat.sendChat("Hamster", "Grüße\nresign", fics.sink);
    chat.sendChat("Shouts", "Straße \xC4pfel", fics.sink); // a Windows-1252 byte kept raw
    chat.sendChat("fics%", "finger\rquit", fics.sink);
    chat.sendChat("Kibitzes", "日本", fics.sink);
    chat.sendChat("Hamster", "Grüße\nresign", fics.sink);
    EXPECT_FALSE(chat.sendChat("", "nothing", fics.sink));
    EXPECT_EQ(fics.sink.sent,
        (Lines { "tell Hamster Gruesse resign", "shout Strasse AEpfel", "finger quit", "kibitz ??",
            "tell Hamster Gruesse resign" }));
    EXPECT_EQ(chat.pageText("Hamster"), "gbtami> Grüße\nresign\r\ngbtami> Grüße\nresign");
    EXPECT_EQ(
        chat.chatHistory(), (Lines { "Grüße\nresign", "日本", "finger\rquit", "Straße \xC4pfel" }));
}

TEST(ServerChatTest, VariablesAndFinger)
{
    ServerModelHarness fics;
    auto& flags = fics.dispatcher.flags();
    fics.variables.request(flags, fics.sink);
    fics.feed({
        "Variable settings of gbtami:",
        "rated=1 style=12 open=0",
        "\tinterface=\"velmorak 1.0\" shout= =5 bell",
        "fics% ",
    });
    EXPECT_EQ(fics.variables.names(), (Lines { "interface", "open", "rated" }));
    EXPECT_EQ(fics.variables.values(), (Lines { "velmorak 1.0", "0", "1" }));
    EXPECT_FALSE(fics.variables.setVariable("open", "0", fics.sink));
    EXPECT_TRUE(fics.variables.setVariable("open", "1", fics.sink));

    fics.finger.request("Hamster", flags, fics.sink);
    fics.feed({ "Finger of Hamster:", "", "On for: 44 mins   Idle: 0 secs", "fics% " });
    fics.finger.addSeparator();
    fics.feed({ "Finger of Snail:", "Timeseal 1 : On", "fics% ", "not finger" });
    EXPECT_EQ(fics.finger.text(),
        "Finger of Hamster:\r\n\r\nOn for: 44 mins   Idle: 0 secs\r\n\r\n" + std::string(63, '-') +
            "\r\n\r\nFinger of Snail:\r\nTimeseal 1 : On");
    EXPECT_EQ(fics.sink.sent, (Lines { "variables", "set open 1", "finger Hamster" }));
}

} // namespace
} // namespace velmorak
