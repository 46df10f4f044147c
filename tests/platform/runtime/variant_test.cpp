#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Variant.h>

#include <gtest/gtest.h>

#include "support/Checks.h"

using namespace kovrin;

using kovrin::test::errorOf;

namespace {
struct Thing : Object {
    int n = 3;
};
}  // namespace

TEST(Variant, IntegerConversionsRoundHalfToEvenAndCheckRange) {
    EXPECT_EQ(CLng(Variant(2.5)), 2);
    EXPECT_EQ(CLng(Variant(3.5)), 4);
    EXPECT_EQ(CLng(Variant(-2.5)), -2);
    EXPECT_EQ(CLng(Variant(Currency::parse("2.5"))), 2);
    EXPECT_EQ(CLng(Variant(Currency::parse("-3.5"))), -4);
    EXPECT_EQ(CLng(Variant("012")), 12);
    EXPECT_EQ(CLng(Variant(" 7 ")), 7);
    EXPECT_EQ(CLng(Variant("&HFF")), 255);
    EXPECT_EQ(CLng(Variant(true)), -1);
    EXPECT_EQ(CLng(Variant()), 0);
    EXPECT_EQ(errorOf([] { CLng(Variant("2147483648")); }).number(), err::Overflow);
    EXPECT_EQ(errorOf([] { CInt(Variant(int32_t{40000})); }).number(), err::Overflow);
    EXPECT_EQ(errorOf([] { CLng(Variant("")); }).number(), err::TypeMismatch);
    EXPECT_EQ(errorOf([] { CLng(Variant("abc")); }).number(), err::TypeMismatch);
    EXPECT_EQ(errorOf([] { CLng(Variant("inf")); }).number(), err::TypeMismatch);
    EXPECT_EQ(errorOf([] { CLng(Variant::null()); }).number(), err::InvalidUseOfNull);
}

TEST(Variant, TextConversions) {
    EXPECT_EQ(CStr(Variant()), "");
    EXPECT_EQ(CStr(Variant(true)), "True");
    EXPECT_EQ(CStr(Variant(false)), "False");
    EXPECT_EQ(CStr(Variant(int32_t{-42})), "-42");
    EXPECT_EQ(CStr(Variant(1.5)), "1.5");
    EXPECT_EQ(CStr(Variant(16.0)), "16");
    EXPECT_EQ(CStr(Variant(20.0 / 60)), "0.333333333333333");
    EXPECT_EQ(CStr(Variant(-1.0 / 3)), "-0.333333333333333");
    EXPECT_EQ(CStr(Variant(1e20)), "1E+20");
    EXPECT_EQ(CStr(Variant(0.1 + 0.2)), "0.3");
    EXPECT_EQ(CStr(Variant(Currency::parse("3.9500"))), "3.95");
    EXPECT_EQ(CStr(Variant(Date::fromCalendar(2011, 8, 21, 10, 25, 0))), "21/08/2011 10:25:00");
    EXPECT_EQ(errorOf([] { CStr(Variant::null()); }).number(), err::InvalidUseOfNull);
    EXPECT_EQ(errorOf([] { CStr(Variant(VariantArray(2))); }).number(), err::TypeMismatch);
}

TEST(Variant, OtherConversions) {
    EXPECT_DOUBLE_EQ(CDbl(Variant("17.5")), 17.5);
    EXPECT_EQ(errorOf([] { CDbl(Variant("")); }).number(), err::TypeMismatch);  // an empty VAT rate is no number
    EXPECT_EQ(CCur(Variant("0" + std::string("12.34"))).toString(), "12.34");
    EXPECT_EQ(CCur(Variant(int32_t{5})).toString(), "5");
    EXPECT_EQ(CCur(Variant("&H10")).toString(), "16");  // whatever IsNumeric accepts converts
    EXPECT_EQ(errorOf([] { CCur(Variant("12abc")); }).number(), err::TypeMismatch);
    EXPECT_EQ(CDate(Variant("2011-08-21")), Date::fromCalendar(2011, 8, 21));
    EXPECT_EQ(CDate(Variant(40776.5)), Date::fromCalendar(2011, 8, 21, 12, 0, 0));
    EXPECT_TRUE(CBool(Variant("true")));
    EXPECT_FALSE(CBool(Variant("0")));
    EXPECT_TRUE(CBool(Variant(int32_t{2})));
    EXPECT_EQ(errorOf([] { CBool(Variant("maybe")); }).number(), err::TypeMismatch);
    EXPECT_TRUE(IsNumeric(Variant("1.5E3")));
    EXPECT_FALSE(IsNumeric(Variant("1.5.3")));
    EXPECT_FALSE(IsNumeric(Variant::null()));
    EXPECT_TRUE(IsDate(Variant("21/08/2011")));
    EXPECT_FALSE(IsDate(Variant("abc")));
}

TEST(Variant, ArraysKeepTheirShapeAndCopyByValue) {
    Variant none{VariantArray()};
    EXPECT_TRUE(none.isArray());
    EXPECT_EQ(none.array().ubound(), -1);
    EXPECT_FALSE(none == Variant());  // an empty array is not Empty

    VariantArray grid(3, 2);
    grid(2, 1) = "Leumi";
    Variant v(grid);
    EXPECT_EQ(v.array().ubound(1), 2);
    EXPECT_EQ(v.array().ubound(2), 1);
    EXPECT_EQ(errorOf([&] { v.array().ubound(3); }).number(), err::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { v.array()(3, 0); }).number(), err::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { v.array()(0); }).number(), err::SubscriptOutOfRange);

    Variant copy = v;
    copy.array()(2, 1) = "Hapoalim";
    EXPECT_EQ(CStr(v.array()(2, 1)), "Leumi");

    auto thing = std::make_shared<Thing>();
    VariantArray objs(1);
    objs(0) = thing;
    Variant o(objs);
    EXPECT_EQ(o.array()(0).objectAs<Thing>()->n, 3);
    EXPECT_EQ(o.array()(0).type(), VarType::Object);
    EXPECT_EQ(errorOf([] { Variant(1.0).array(); }).number(), err::TypeMismatch);
}

TEST(Variant, TakesAnElementOfItsOwnArray) {
    // The old array dies as the element takes its place (a use after free under AddressSanitizer).
    const Variant elements[] = {Variant(2.5), Variant(std::make_shared<Thing>()), Variant("Leumi")};
    for (const Variant& element : elements) {
        VariantArray items(2);
        items(0) = element;
        Variant copied{items}, moved{items};
        copied = copied.array()(0);
        moved = std::move(moved.array()(0));
        EXPECT_EQ(copied, element);
        EXPECT_EQ(moved, element);
    }
}
