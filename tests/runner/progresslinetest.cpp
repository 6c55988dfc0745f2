#include "runner/progressline.h"

#include <QTextStream>

#include <gtest/gtest.h>

TEST(ProgressLine, QuietForASecondThenRedrawnInPlaceAndErased) {
    QString shown;
    QTextStream err(&shown);
    qint64 now = 0;
    TProgressLine line(err, [&now] { return now; });

    now = 999;
    line.Update(50000);
    EXPECT_EQ(shown, QString());

    now = 1000;
    line.Update(123456);
    EXPECT_EQ(shown, QStringLiteral("\rшагов: 123456, 123456 шагов/с"));

    // Redrawn at most five times a second.
    shown.clear();
    now = 1199;
    line.Update(130000);
    EXPECT_EQ(shown, QString());

    // A shorter line covers the rest of the longer one.
    now = 2000;
    line.Update(2000);
    EXPECT_EQ(shown, QStringLiteral("\rшагов: 2000, 1000 шагов/с    "));

    shown.clear();
    line.Finish();
    EXPECT_EQ(shown, QStringLiteral("\r") + QString(29, QLatin1Char(' ')) + QStringLiteral("\r"));
    shown.clear();
    line.Finish();
    EXPECT_EQ(shown, QString());
}
