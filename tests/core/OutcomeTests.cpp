// The failure type every operation reports with: its message names the file and
// says why, with the system's words added once.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "util/Outcome.h"

using namespace wavomer;

TEST(Failure, NamesTheFileThenTheReasonThenTheSystemsWordsOnce) {
    EXPECT_EQ(Failure::because("not a property list").message(), "not a property list");
    EXPECT_EQ(Failure::at("/a/b.wav", "the file holds no audio").message(), "/a/b.wav: the file holds no audio");
    const std::string denied = std::strerror(EACCES);
    const Failure system = Failure::system("/a/project.plist", "cannot open", EACCES);
    EXPECT_EQ(system.message(), "/a/project.plist: cannot open: " + denied);
    EXPECT_EQ(system.why(), "cannot open: " + denied);
    EXPECT_EQ(system.path, "/a/project.plist");
    EXPECT_EQ(system.systemError, EACCES);
    // A reason that already carries the system's words does not repeat them.
    EXPECT_EQ(Failure::at("/x", "cannot write: " + denied, EACCES).message(), "/x: cannot write: " + denied);
    // Only the system's words, about a file.
    EXPECT_EQ(Failure::at("/x", {}, ENOENT).message(), std::string("/x: ") + std::strerror(ENOENT));
}

TEST(Outcome, HoldsTheValueOrTheFailureAndTellsACancelApart) {
    Outcome<std::unique_ptr<int>> made = std::make_unique<int>(7);
    ASSERT_TRUE(made);
    EXPECT_EQ(**made, 7);
    EXPECT_EQ(made.error(), "");
    std::unique_ptr<int> taken = std::move(made).value();
    EXPECT_EQ(*taken, 7);

    Outcome<int> refused = Failure::at("/f", "too large");
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.cancelled());
    EXPECT_EQ(refused.failure().reason, "too large");
    EXPECT_EQ(refused.error(), "/f: too large");

    Outcome<> done;
    EXPECT_TRUE(done);
    Outcome<> stopped = Failure::cancel("/out/Audio.mp3");
    EXPECT_FALSE(stopped);
    EXPECT_TRUE(stopped.cancelled());
    EXPECT_EQ(stopped.failure().path, "/out/Audio.mp3");
}
