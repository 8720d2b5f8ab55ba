// The export side's rules, without a window.
#include <gtest/gtest.h>

#include <cmath>

#include "export/ProjectExporter.h"
#include "rules/ExportRules.h"

using namespace wavomer;
using namespace wavomer::app::rules;

TEST(FormatChoiceRules, TheFormatLastExportedIsSelectedWhenTheMenuOffersIt) {
    EXPECT_EQ(formatToSelect({"A", "B", "C"}, std::string("C")), 2u);
}

TEST(FormatChoiceRules, TheFirstItemIsSelectedWhenTheLastExportedFormatIsNotOffered) {
    EXPECT_EQ(formatToSelect({"A", "B"}, std::string("C")), 0u);
    EXPECT_EQ(formatToSelect({"A", "B"}, std::nullopt), 0u);
}

TEST(FormatChoiceRules, AnEmptyMenuSelectsNothing) { EXPECT_EQ(formatToSelect({}, std::string("A")), std::nullopt); }

TEST(FormatChoiceRules, TheLastExportedFormatIsTheStoredFormatName) {
    CoderDictionary stored{{"FormatName", CoderValue(std::string("WAV"))}, {"Codec", CoderValue(std::string("pcm"))}};
    EXPECT_EQ(lastExportedFormat(stored), std::string("WAV"));
    EXPECT_EQ(lastExportedFormat(std::nullopt), std::nullopt);
    EXPECT_EQ(lastExportedFormat(CoderDictionary{{"Codec", CoderValue(std::string("pcm"))}}), std::nullopt);
    EXPECT_EQ(lastExportedFormat(CoderDictionary{{"FormatName", CoderValue(std::string())}}), std::nullopt);
}

TEST(ProgressBarRules, TheBarFollowsTheProgressValue) {
    EXPECT_EQ(progressBarValue(0.0f, 1000), 0);
    EXPECT_EQ(progressBarValue(0.5f, 1000), 500);
    EXPECT_EQ(progressBarValue(1.0f / 3.0f, 1000), 333);
    EXPECT_EQ(progressBarValue(1.0f, 1000), 1000);
}

TEST(ProgressBarRules, ValuesOutsideTheBarAndNotANumberStayOnIt) {
    EXPECT_EQ(progressBarValue(1.5f, 1000), 1000);
    EXPECT_EQ(progressBarValue(-0.2f, 1000), 0);
    EXPECT_EQ(progressBarValue(std::nanf(""), 1000), 0);
    EXPECT_EQ(progressBarValue(0.5f, 0), 0);
}

TEST(AfterExportRules, WrittenFilesAreRevealedOrOpenedInThePlayerForTheITunesFormats) {
    ExportReport report;
    report.writtenPaths = {"/tmp/Audio.mp3"};
    EXPECT_EQ(afterExport(report), AfterExport::revealFiles);
    report.useITunesFormat = true;
    EXPECT_EQ(afterExport(report), AfterExport::openInPlayer);
}

TEST(AfterExportRules, AFailureIsShownAndNothingPartialIsRevealed) {
    ExportReport report;
    report.writtenPaths = {"/tmp/Audio.mp3"};  // the first piece of a split that failed later
    report.failure = Failure::at("/tmp/Audio_1.mp3", "disk full");
    EXPECT_EQ(afterExport(report), AfterExport::showFailure);
}

TEST(AfterExportRules, ACancelOrAnExportThatWroteNothingShowsNothing) {
    ExportReport cancelled;
    cancelled.writtenPaths = {"/tmp/Audio.mp3"};
    cancelled.failure = Failure::cancel("/tmp/Audio_1.mp3");
    EXPECT_EQ(afterExport(cancelled), AfterExport::nothing);
    EXPECT_EQ(afterExport(ExportReport{}), AfterExport::nothing);
}
