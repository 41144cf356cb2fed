#include "Engine/OperatorTexts.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

#include <cstring>

namespace
{

// Marks every text of the window's context, so a test sees which texts went
// through the catalogue under that context.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override
    {
        if (std::strcmp(context, "MainWindow") != 0)
        {
            return QString();
        }
        return QStringLiteral("<") + QString::fromUtf8(sourceText) + QStringLiteral(">");
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(OperatorTexts, EveryTextGoesThroughTheWindowsCatalogue)
{
    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    for (int index = 0; index < static_cast<int>(OPERATOR_TEXT::COUNT); ++index)
    {
        const auto text = static_cast<OPERATOR_TEXT>(index);
        SCOPED_TRACE(OperatorTexts::source(text));
        EXPECT_STREQ(OperatorTexts::context(text), "MainWindow");
        EXPECT_EQ(OperatorTexts::text(text), "<" + QString::fromUtf8(OperatorTexts::source(text)) + ">");
    }
    EXPECT_EQ(OperatorTexts::loadStatusText(UpdateProgress::LoadStatus::Done), "<Done>");
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(OperatorTexts::text(OPERATOR_TEXT::NO_UPDATE_REQUIRED), "No update is required.");
}

TEST(OperatorTexts, LoadStatusNamesAsTheLoadTableShowsThem)
{
    using Status = UpdateProgress::LoadStatus;
    struct Row
    {
        Status status;
        const char* text;
    };
    const Row rows[] = {{Status::None, ""},           {Status::Updating, "Updating"},
                        {Status::Loading, "Loading"}, {Status::Verifying, "Verifying"},
                        {Status::Skipped, "Skipped"}, {Status::Failed, "Failed"},
                        {Status::Done, "Done"},       {static_cast<Status>(9), ""}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(static_cast<int>(row.status));
        EXPECT_EQ(OperatorTexts::loadStatusText(row.status), row.text);
    }
}
