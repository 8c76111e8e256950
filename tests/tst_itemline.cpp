// The item-line splitter: quoting rules and their two diagnostics, comments,
// continuation lines.
#include <QTest>

#include "Joined.h"
#include "base/ItemLine.h"

class TestItemLine : public QObject {
  Q_OBJECT

 private slots:
  // "count:items joined by |" of a line: blanks and tabs with a quoted item
  // and an empty pair (dropped), an empty line, a quoted item glued to the
  // next, an inner quote, an apostrophe in quotes, an ideographic space.
  void split() {
    QStringList got;
    for (const QString& line :
         {QString("a  b\t\"c d\" \"\" e"), QString(), QString("\"ab cd\"ef"), QString("ab\"cd x"),
          QString("\"it's\" 2"), QString("x") + QChar(0x3000) + "y"}) {
      const QStringList items = splitItems(line);
      got << QString::number(items.size()) + ':' + items.join('|');
    }
    QCOMPARE(got,
             (QStringList{"4:a|b|c d|e", "0:", "2:ab cd|ef", "2:ab\"cd|x", "2:it's|2", "2:x|y"}));
  }

  // The item taken, the rest of the line, and the diagnostic of a quote that
  // does not pair up.
  void takeItem_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("blanks") << "    " << "" << "" << "";
    QTest::newRow("unterminated quote") << "\"abc" << "abc" << "" << "In a line [\"abc] item is started from quote but not ended by quote";
    QTest::newRow("unquoted ending in quote") << "abc\" def" << "abc\"" << " def" << "In a line [abc\" def] item is started from not quote but ended by quote";
    // clang-format on
  }
  void takeItem() {
    QFETCH(QString, line);
    QFETCH(QString, message);
    if (!message.isEmpty()) QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    QString item = "old";
    QTEST(::takeItem(line, item), "rest");
    QTEST(item, "item");
  }

  void itemsAfterKeepsEmptyItems() {
    QCOMPARE(itemsAfter("Prop_ImageWidth=512 ", "Prop_ImageWidth="), (QStringList{"512", ""}));
    QCOMPARE(itemsAfter("key=", "key="), QStringList{});
    // case-sensitive, and never past the end of the line
    QCOMPARE(joined(startsWithKey("Prop_X=1", "Prop_X="), startsWithKey("prop_X=1", "Prop_X="),
                    startsWithKey("Pro", "Prop_X=")),
             "1 0 0");
  }

  // "code|comment|blank" of a line: a quoted hash, an open apostrophe (no
  // quote), an apostrophe closing a quote, no comment, a comment only, empty.
  void comments() {
    QStringList got;
    for (const char* line : {"key \"a#b\" # note", "it's # not a comment", "\"a' # c", "plain line",
                             "  \t# all", ""}) {
      QString comment;
      const QString code = stripComment(line, comment);
      got << code + "|" + comment + "|" + QString::number(isBlankLine(line));
    }
    QCOMPARE(got, (QStringList{"key \"a#b\" | note|0", "it's # not a comment||0", "\"a' | c|0",
                               "plain line||0", "  \t| all|1", "||1"}));
  }

  // A trailing backslash (blanks after it allowed) is cut off; one inside
  // the line is text.
  void continuation() {
    QString line = "calc_exec \\  ", other = "a \\b";
    const bool cut = hasContinuation(line), kept = hasContinuation(other);
    QCOMPARE(joined(cut, "[" + line + "]", kept, "[" + other + "]"), "1 [calc_exec ] 0 [a \\b]");
    QCOMPARE((QStringList{withoutContinuation("x \\\\ "), withoutContinuation("x \\"),
                          withoutContinuation("no backslash")}),
             (QStringList{"x ", "x ", "no backslash"}));
  }
};

QTEST_MAIN(TestItemLine)
#include "tst_itemline.moc"
