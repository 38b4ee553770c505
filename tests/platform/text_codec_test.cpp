#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using text_codec::CodePage;

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

} // namespace

TEST(TextCodecCharCode, FormsTwoByteCodesFromLeadBytes) {
    int length = 0;
    const std::string ah = Bytes({0xB0, 0xA1, 0x41, 0});
    EXPECT_EQ(text_codec::ReadCharCode(ah.c_str(), &length), 0xB0A1u);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(text_codec::ReadCharCode(ah.c_str() + 2, &length), 0x41u);
    EXPECT_EQ(length, 1);
    // 0x80 is a single byte in code page 936; 0x81 and 0xFE are lead bytes, 0xFF is not.
    EXPECT_EQ(text_codec::ReadCharCode(Bytes({0x80, 0x41}).c_str(), &length), 0x80u);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(text_codec::ReadCharCode(Bytes({0x81, 0xAB}).c_str(), &length), 0x81ABu);
    EXPECT_EQ(text_codec::ReadCharCode(Bytes({0xFE, 0xA1}).c_str(), &length), 0xFEA1u);
    EXPECT_EQ(text_codec::ReadCharCode(Bytes({0xFF, 0xA1}).c_str(), &length), 0xFFu);
    EXPECT_EQ(length, 1);
}

TEST(TextCodecCharCode, LeadByteBeforeTheEndIsASingleByte) {
    int length = 0;
    const std::string lone = Bytes({0xB0});
    EXPECT_EQ(text_codec::ReadCharCode(lone.c_str(), &length), 0xB0u);
    EXPECT_EQ(length, 1);
    // The same at the end of a range that is not terminated.
    const std::string range = Bytes({0x41, 0xB0, 0xA1});
    EXPECT_EQ(text_codec::ReadCharCode(std::string_view(range).substr(1, 1), &length), 0xB0u);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(text_codec::ReadCharCode("", &length), 0u);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(text_codec::ReadCharCode(static_cast<const char*>(nullptr), &length), 0u);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(text_codec::ReadCharCode(std::string_view(), &length), 0u);
    EXPECT_EQ(length, 0);
}

TEST(TextCodecCharCode, ShiftJisHasItsOwnLeadBytes) {
    EXPECT_TRUE(text_codec::IsLeadByte(0x82, CodePage::ShiftJis));
    EXPECT_TRUE(text_codec::IsLeadByte(0xE0, CodePage::ShiftJis));
    EXPECT_FALSE(text_codec::IsLeadByte(0xA1, CodePage::ShiftJis)); // half-width katakana
    EXPECT_TRUE(text_codec::IsLeadByte(0xA1, CodePage::Gbk));
    EXPECT_FALSE(text_codec::IsLeadByte(0xFD, CodePage::ShiftJis));
}

TEST(TextCodecUnicode, ConvertsGbkCodes) {
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xB0A1), U'啊');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xA1A1), U'\u3000');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xA3C1), U'Ａ');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xA4A2), U'あ');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x8140), U'丂'); // outside GB2312, inside GBK
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x41), U'A');
}

TEST(TextCodecUnicode, CodesOfNoCharacterGiveZero) {
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xB020), 0u); // bad trail byte
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xFF), 0u);
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xB0), 0u); // a lead byte alone
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x41A1), 0u);
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x12345), 0u);
}

TEST(TextCodecUnicode, ConvertsShiftJisCodes) {
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x82A0, CodePage::ShiftJis), U'あ');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x8140, CodePage::ShiftJis), U'\u3000');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0xB1, CodePage::ShiftJis), U'ｱ');
    EXPECT_EQ(text_codec::CharCodeToUnicode(0x8540, CodePage::ShiftJis), 0u);
}

TEST(TextCodecText, RoundTripsMixedText) {
    const std::string utf8 = "A啊，「あ」B";
    const auto game = text_codec::Utf8ToGameText(utf8);
    ASSERT_TRUE(game.has_value());
    EXPECT_EQ(game->substr(0, 3), Bytes({0x41, 0xB0, 0xA1}));
    EXPECT_EQ(game->size(), 1u + 2 + 2 + 2 + 2 + 2 + 1);
    EXPECT_EQ(text_codec::GameTextToUtf8(*game), utf8);
    const auto wide = text_codec::GameTextToUtf32(*game);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(*wide, U"A啊，「あ」B");
    EXPECT_EQ(text_codec::Utf32ToGameText(*wide), game);
}

TEST(TextCodecText, StoresSystemLiteralsAsGbk) {
    EXPECT_EQ(text_codec::Utf8ToGameText("黑体"), Bytes({0xBA, 0xDA, 0xCC, 0xE5}));
    EXPECT_EQ(text_codec::Utf8ToGameText(""), std::string());
    EXPECT_EQ(text_codec::Utf8ToGameText("あ", CodePage::ShiftJis), Bytes({0x82, 0xA0}));
}

TEST(TextCodecText, StrictFormsRefuseWhatCannotConvert) {
    EXPECT_FALSE(text_codec::GameTextToUtf8(Bytes({0x41, 0xB0, 0x20})).has_value());
    EXPECT_FALSE(text_codec::GameTextToUtf8(Bytes({0x41, 0xB0})).has_value()); // lead byte at the end
    EXPECT_FALSE(text_codec::GameTextToUtf32(Bytes({0xFF})).has_value());
    EXPECT_FALSE(text_codec::Utf8ToGameText("\xF0\x9F\x98\x80").has_value()); // no GBK code
    EXPECT_FALSE(text_codec::Utf8ToGameText("\xC0\x80").has_value());         // overlong
    EXPECT_FALSE(text_codec::Utf8ToGameText("\xE5\x95").has_value());         // truncated
    EXPECT_FALSE(text_codec::Utf8ToGameText("\xED\xA0\x80").has_value());     // surrogate
    EXPECT_FALSE(text_codec::Utf8ToGameText("\x80").has_value());
    EXPECT_FALSE(text_codec::Utf32ToGameText(U"\U0001F600").has_value());
    EXPECT_FALSE(text_codec::Utf32ToGameText(std::u32string(1, char32_t(0xD800))).has_value());
}

TEST(TextCodecText, LossyFormsReplaceEachBadCharacter) {
    EXPECT_EQ(text_codec::GameTextToUtf8Lossy(Bytes({0x41, 0xB0, 0x20, 0xB0, 0xA1, 0xB0})),
              "A\xEF\xBF\xBD啊\xEF\xBF\xBD");
    EXPECT_EQ(text_codec::Utf8ToGameTextLossy("a\xF0\x9F\x98\x80"
                                              "b\xE5\x95"
                                              "c"),
              "a?b?c");
    EXPECT_EQ(text_codec::Utf8ToGameTextLossy("\xFF啊"), "?" + Bytes({0xB0, 0xA1}));
}

TEST(TextCodecText, KeepsStoredNulBytes) {
    const std::string text = Bytes({0x41, 0x00, 0x42});
    EXPECT_EQ(text_codec::GameTextToUtf8(text), text);
    EXPECT_EQ(text_codec::GameTextToUtf8Lossy(text), text);
}

TEST(TextCodecText, EncodesScalarsAsUtf8) {
    EXPECT_EQ(text_codec::EncodeUtf8(U'A'), "A");
    EXPECT_EQ(text_codec::EncodeUtf8(0xE9), "\xC3\xA9");
    EXPECT_EQ(text_codec::EncodeUtf8(U'啊'), "啊");
    EXPECT_EQ(text_codec::EncodeUtf8(0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_EQ(text_codec::EncodeUtf8(0xDC00), "");
    EXPECT_EQ(text_codec::EncodeUtf8(0x110000), "");
}

TEST(TextCodecText, ConvertsOnSeveralThreadsAtOnce) {
    const std::string game = *text_codec::Utf8ToGameText("黑体啊あ");
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                good[t] += text_codec::GameTextToUtf8(game) == "黑体啊あ" ? 1 : 0;
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    for (int g : good) {
        EXPECT_EQ(g, 500);
    }
}
