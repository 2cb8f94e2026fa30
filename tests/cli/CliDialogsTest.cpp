#include "CliDialogs.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(CliDialogs, MessagesGoToStandardErrorCaptionFirst) {
    std::ostringstream err;
    TCliDialogs d(err);
    EXPECT_EQ(d.MessageBox({"Waiting for device: time out.\r\nThe connection has been closed.",
                            "Vexo has been disconnected!", 0, "OK", "", "", ""}),
              mrOk);
    d.SystemMessage("Could not open file /x/DRConfigRO.ini", "File Error");
    EXPECT_EQ(err.str(),
              "Vexo has been disconnected!\nWaiting for device: time out.\nThe connection has been "
              "closed.\nFile Error\nCould not open file /x/DRConfigRO.ini\n");
    EXPECT_EQ(d.MessagesShown, 2);
}

TEST(CliDialogs, QuestionsAnsweredByPolicy) {
    std::ostringstream err;
    TCliDialogs d(err);
    EXPECT_EQ(d.MessageBox({"Save?", "", 3, "", "", "", ""}), mrYes); // the first button by default
    EXPECT_EQ(d.MessageBox({"?", "", 5, "", "", "", ""}), mrNone);    // a style no box has
    d.AnswerMessage = [](const TMessageBoxRequest& r) { return r.Style == 4 ? mrNo : mrOk; };
    EXPECT_EQ(d.MessageBox({"Combine?", "", 4, "", "", "", ""}), mrNo);

    std::int32_t chosen = 7;
    EXPECT_EQ(d.ConfigList({"List", "OK", {"a - 1", "b - 2"}}, chosen), mrCancel);
    d.ChoiceAnswer = 1;
    EXPECT_EQ(d.ConfigList({"List", "OK", {"a - 1", "b - 2"}}, chosen), mrOk);
    EXPECT_EQ(chosen, 1);
    d.ChoiceAnswer = 2;
    EXPECT_EQ(d.ConfigList({"List", "OK", {"a - 1", "b - 2"}}, chosen), mrCancel);

    std::string file;
    EXPECT_FALSE(d.SaveFile({}, file));
    d.FileAnswer = "/tmp/r.tsv";
    EXPECT_TRUE(d.SaveFile({}, file));
    EXPECT_EQ(file, "/tmp/r.tsv");
}

TEST(CliDialogs, EachPromptPrintedOnce) {
    std::ostringstream err;
    TCliDialogs d(err);
    d.ShowEvaluationInfo("Place the white card");
    d.ShowEvaluationInfo("Place the white card");
    d.ShowEvaluationInfo("Evaluation running");
    EXPECT_EQ(err.str(), "Place the white card\nEvaluation running\n");
}

} // namespace
