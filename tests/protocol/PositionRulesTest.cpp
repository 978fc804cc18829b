// Steps and millimetres, step amounts, the GO target and the pixel places of tube and thumb.

#include "protocol/PositionRules.h"

#include <gtest/gtest.h>

using namespace position;

const QLocale kC = QLocale::c();
const QLocale kItalian(QLocale::Italian, QLocale::Italy);
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TEST(PositionRules, NumbersUseOnlyTheLocalesDecimalSeparator) {
    EXPECT_EQ(decimalNumber(" -2,25 ", kGerman), -2.25);
    EXPECT_EQ(decimalNumber("0.500", kEnglish), 0.5);
    EXPECT_EQ(decimalNumber(QStringLiteral(u"\u22122,5"), QLocale(QLocale::Swedish)), -2.5)
        << "the locale's own minus sign";
    // The other locale's separator would be a group separator here: no number at all.
    for (const char* text : {"0.500", "1.234,5", "1,2,3", "inf", "-inf", "nan", "1e3", "12abc", "",
                             "-", ","})
        EXPECT_EQ(decimalNumber(text, kItalian), std::nullopt) << text;
    EXPECT_EQ(decimalNumber("0,500", kEnglish), std::nullopt);
    EXPECT_EQ(decimalNumber(QString(400, u'9'), kC), std::nullopt) << "too large to be finite";
    EXPECT_EQ(decimalInteger(" 42 "), 42);
    for (const char* text : {"1,000", "1.000", "2.5", "1e3", "2147483648", "7 steps"})
        EXPECT_EQ(decimalInteger(text), std::nullopt) << text;
    // A step of 0.5 mm typed with the wrong separator moves one step, not 500 mm.
    EXPECT_EQ(stepAmount("0.500", false, kItalian), 1);
    EXPECT_EQ(goTarget("1.000", false, 1234, 25.0, kItalian), 1234);
    EXPECT_EQ(stepInputInMillimetres("1.000", kItalian), "0,001");
    EXPECT_EQ(stepInputInSteps("0,5", kGerman), "14633");
}

TEST(PositionRules, RoundingGoesToTheEvenNeighbourAtHalves) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(1e30), 2147483647);
    EXPECT_DOUBLE_EQ(roundToThousandths(0.0345), 0.034);
    EXPECT_DOUBLE_EQ(roundToThousandths(0.03417), 0.034);
}

TEST(PositionRules, StepAmountIsAtLeastOneStep) {
    EXPECT_EQ(stepAmount("10", true, kC), 10);
    EXPECT_EQ(stepAmount("99999999999", true, kC), 2147483647) << "a digit key held down";
    for (const char* text : {"0", "-5", "2.5", "abc", ""})
        EXPECT_EQ(stepAmount(text, true, kC), 1) << text;
    EXPECT_EQ(stepAmount("abc", false, kC), 1);
    EXPECT_EQ(stepAmount("0.001", false, kC), 29);
    EXPECT_EQ(stepAmount("0,001", false, kItalian), 29) << "millimetres use the locale's separator";
    EXPECT_EQ(stepAmount("1", false, kC), 29265);
}

TEST(PositionRules, LeftMovesStopAtZeroRightMovesAreUnbounded) {
    EXPECT_EQ(stepTarget(3, -10), 0);
    EXPECT_EQ(stepTarget(50, -100), 0);
    EXPECT_EQ(stepTarget(1000, 70), 1070);
    EXPECT_EQ(stepTarget(-350, 1), -349) << "one step right from below 0, not to 0";
    EXPECT_EQ(stepTarget(2147483000, 10 * std::int64_t(2147483647)), 2147483647)
        << "a target past 32 bits is held at the largest position";
}

TEST(PositionRules, GoTargetIsHeldToTheTravel) {
    EXPECT_EQ(goTarget("---", true, 1234, 25.0, kC), 1234);
    EXPECT_EQ(goTarget("12.5", true, 1234, 25.0, kC), 1234) << "decimals in steps: no number";
    EXPECT_EQ(goTarget("-40", true, 1234, 25.0, kC), 0);
    EXPECT_EQ(goTarget("999999", true, 1234, 25.0, kC), 731636);
    EXPECT_EQ(goTarget("731636", true, 0, 25.0, kC), 731636);
    EXPECT_EQ(goTarget("0.34", false, 10000, 25.0, kC), 9950);
    EXPECT_EQ(goTarget("---", false, 10000, 25.0, kC), 10000);
    EXPECT_EQ(goTarget("40", false, 0, 15.0, kC), 438982);
}

TEST(PositionRules, PositionTextInStepsOrMillimetres) {
    EXPECT_EQ(formatPosition(10000, true, kC), "10000");
    EXPECT_EQ(formatPosition(-350, true, kC), "-350");
    EXPECT_EQ(formatPosition(10000, false, kC), "0.34");
    EXPECT_EQ(formatPosition(29265, false, kC), "1.00");
    EXPECT_EQ(formatPosition(731636, false, kItalian), "25,00");
}

TEST(PositionRules, TubeAndThumbFollowThePositionWithinTheirTravel) {
    EXPECT_EQ(tubeOffset(0, 25.0), 0);
    EXPECT_EQ(thumbOffset(0, 25.0), 0);
    EXPECT_EQ(tubeOffset(365818, 25.0), 26);
    EXPECT_EQ(thumbOffset(365818, 25.0), 115);
    EXPECT_EQ(tubeOffset(2000000, 25.0), 52);
    EXPECT_EQ(thumbOffset(2000000, 25.0), 230);
    EXPECT_EQ(tubeOffset(-500, 25.0), 0);
    EXPECT_EQ(thumbOffset(-500, 25.0), 0);
    EXPECT_EQ(thumbOffset(2147483647, 0.03417), 230);
}

TEST(PositionRules, ThumbOffsetPicksAPosition) {
    EXPECT_EQ(positionAtThumbOffset(0, 25.0), 0);
    EXPECT_EQ(positionAtThumbOffset(230, 25.0), 731636);
    EXPECT_EQ(thumbOffset(positionAtThumbOffset(117, 25.0), 25.0), 117);
}

TEST(PositionRules, StepAmountFollowsAChangeOfUnit) {
    EXPECT_EQ(stepInputInMillimetres("1000", kC), "0.034");
    EXPECT_EQ(stepInputInSteps("0.034", kC), "995");
    EXPECT_EQ(stepInputInMillimetres("1", kC), "0.001");
    EXPECT_EQ(stepInputInMillimetres("abc", kC), "0.001");
    EXPECT_EQ(stepInputInSteps("0", kC), "1");
    EXPECT_EQ(stepInputInSteps("1", kC), "29265");
    EXPECT_EQ(stepInputInMillimetres("100000", kItalian), "3,417");
    EXPECT_EQ(stepInputInSteps("100000000000", kC), "2926543751829090");
    EXPECT_EQ(stepInputInMillimetres("99999999999999999999", kC), "3417000000000000");
}
