#include <gtest/gtest.h>

#include "update/script_container.h"
#include "update/text_container.h"

namespace korv {
namespace {

using Statements = std::vector<std::string>;

TEST(StatementSplit, SemicolonsEndStatementsAndPageBreaksAreSkipped) {
    EXPECT_EQ(SplitStatements("VERSION 500;CLS ,000.000.000;"), (Statements{"VERSION 500", "CLS ,000.000.000"}));
    EXPECT_EQ(SplitStatements("A;;B;\r\nC;\r\n"), (Statements{"A", "B", "C"}));
    EXPECT_EQ(SplitStatements("A;<br>B;<br>\r\n<br>C;"), (Statements{"A", "B", "C"}));
    EXPECT_EQ(SplitStatements("  A; B;tail"), (Statements{"  A", " B"}));  // leading blanks stay
    EXPECT_EQ(SplitStatements(";A;"), (Statements{"", "A"}));
    EXPECT_TRUE(SplitStatements("no semicolon at all").empty());
    EXPECT_TRUE(SplitStatements("").empty());
    // A "<br>" that is not right after a ";" belongs to the statement.
    EXPECT_EQ(SplitStatements("TEXT a,x<br>y;"), (Statements{"TEXT a,x<br>y"}));
}

TEST(TextContainers, ItemsByExactIdAndASpaceWhenAbsent) {
    TextContainer container;
    ASSERT_TRUE(container.Parse("<html><KORVText><br><TextItem=greeting>Hello<br>there</TextItem>"
                                "<TextItem=Bye>Good bye</TextItem></KORVText></html>"));
    EXPECT_EQ(container.ItemCount(), 2u);
    EXPECT_EQ(container.GetTextItem("greeting"), "Hello<br>there");
    EXPECT_EQ(container.GetTextItem("Bye"), "Good bye");
    EXPECT_EQ(container.GetTextItem("bye"), " ");
    EXPECT_EQ(container.GetTextItem("missing"), " ");
}

TEST(TextContainers, BrokenContainersHoldNoItems) {
    TextContainer container;
    EXPECT_FALSE(container.Parse("<TextItem=a>x</TextItem></KORVText>"));  // no opening tag
    EXPECT_EQ(container.GetTextItem("a"), " ");
    EXPECT_FALSE(container.Parse("<KORVText><br></KORVText>"));
    EXPECT_FALSE(container.Parse("<KORVText><br><TextItem=a>never closed</KORVText>"));
    EXPECT_FALSE(container.Parse("</KORVText>xx<KORVText>"));  // tags in the wrong order
    EXPECT_FALSE(container.Load("/nonexistent/TextFile000.html"));
    // A ">" before the item makes the id empty, as the first ">" ends it.
    ASSERT_TRUE(container.Parse("<KORVText><br>x>y<TextItem=a>t</TextItem></KORVText>"));
    EXPECT_EQ(container.GetTextItem(""), "y<TextItem=a>t");
}

}  // namespace
}  // namespace korv
