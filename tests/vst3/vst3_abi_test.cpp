// The interface header against golden bytes written down independently of it: identifier
// bytes in both layouts (a wrong one makes hosts skip the plug-in silently), result codes
// per system, and the text conversions of the UTF-16 fields. The record layouts are
// checked at compile time in the header itself, on both systems.
#include <gtest/gtest.h>

#include <vector>

#include "vst3/vst3_abi.h"
#include "vst3/vst3_text.h"

namespace {

std::vector<unsigned char> IdBytes(const v3::Id& id) {
  return std::vector<unsigned char>(id.bytes, id.bytes + 16);
}

std::vector<unsigned char> Bytes(std::initializer_list<int> values) {
  std::vector<unsigned char> out;
  for (int v : values) out.push_back(static_cast<unsigned char>(v));
  return out;
}

TEST(Vst3Abi, IdentifierBytesInBothLayouts) {
  const v3::Id processorBigEndian =
      v3::IdFromWordsIn(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D, false);
  const v3::Id processorGuid =
      v3::IdFromWordsIn(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D, true);
  EXPECT_EQ(IdBytes(processorBigEndian),
            Bytes({0x42, 0x04, 0x3F, 0x99, 0xB7, 0xDA, 0x45, 0x3C, 0xA5, 0x69, 0xE7, 0x9D, 0x9A,
                   0xAE, 0xC3, 0x3D}));
  EXPECT_EQ(IdBytes(processorGuid),
            Bytes({0x99, 0x3F, 0x04, 0x42, 0xDA, 0xB7, 0x3C, 0x45, 0xA5, 0x69, 0xE7, 0x9D, 0x9A,
                   0xAE, 0xC3, 0x3D}));
  // The base interface is the system's own on Windows.
  EXPECT_EQ(IdBytes(v3::IdFromWordsIn(0, 0, 0xC0000000, 0x46, true)),
            Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}));
#if defined(_WIN32)
  EXPECT_EQ(IdBytes(v3::AudioProcessor::kId), IdBytes(processorGuid));
#else
  EXPECT_EQ(IdBytes(v3::AudioProcessor::kId), IdBytes(processorBigEndian));
#endif
}

// Each interface's identifier as our notes list its words, compared with the header's.
TEST(Vst3Abi, EveryInterfaceHasItsListedIdentifier) {
  struct Listed {
    v3::Id id;
    uint32_t words[4];
  };
  const Listed listed[] = {
      {v3::PluginBase::kId, {0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625}},
      {v3::Factory::kId, {0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F}},
      {v3::Factory2::kId, {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB}},
      {v3::Factory3::kId, {0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931}},
      {v3::Component::kId, {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802}},
      {v3::ContextRequirements::kId, {0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0}},
      {v3::EditController::kId, {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E}},
      {v3::ComponentHandler::kId, {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6}},
      {v3::HostApplication::kId, {0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5}},
      {v3::Stream::kId, {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B}},
      {v3::ParamValueQueue::kId, {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA}},
      {v3::ParamChanges::kId, {0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D}},
      {v3::PlugView::kId, {0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29}},
      {v3::PlugFrame::kId, {0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3}},
      {v3::ContentScaleSupport::kId, {0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F}},
      {v3::RunLoop::kId, {0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389}},
      {v3::EventHandler::kId, {0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983}},
      {v3::TimerHandler::kId, {0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9}},
      {v3::UnitInfo::kId, {0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1}},
  };
  for (const Listed& entry : listed) {
    // Linux layout: the words' bytes in order.
    std::vector<unsigned char> expected;
    for (uint32_t word : entry.words) {
      for (int shift = 24; shift >= 0; shift -= 8) expected.push_back(static_cast<unsigned char>(word >> shift));
    }
#if defined(_WIN32)
    std::swap(expected[0], expected[3]);
    std::swap(expected[1], expected[2]);
    std::swap(expected[4], expected[5]);
    std::swap(expected[6], expected[7]);
#endif
    EXPECT_EQ(IdBytes(entry.id), expected) << std::hex << entry.words[0];
  }
}

TEST(Vst3Abi, SameIdComparesAllSixteenBytes) {
  v3::Id id = v3::EditController::kId;
  EXPECT_TRUE(v3::SameId(id.bytes, v3::EditController::kId));
  for (int i = 0; i < 16; ++i) {
    v3::Id other = id;
    other.bytes[i] ^= 0x01;
    EXPECT_FALSE(v3::SameId(other.bytes, v3::EditController::kId)) << i;
  }
  EXPECT_FALSE(v3::SameId(nullptr, v3::EditController::kId));
}

TEST(Vst3Abi, ResultCodesOfThisSystem) {
#if defined(_WIN32)
  EXPECT_EQ(static_cast<uint32_t>(v3::kNoInterface), 0x80004002u);
  EXPECT_EQ(static_cast<uint32_t>(v3::kInvalidArgument), 0x80070057u);
  EXPECT_EQ(static_cast<uint32_t>(v3::kNotImplemented), 0x80004001u);
#else
  EXPECT_EQ(v3::kNoInterface, -1);
  EXPECT_EQ(v3::kInvalidArgument, 2);
  EXPECT_EQ(v3::kNotImplemented, 3);
#endif
  EXPECT_EQ(v3::kResultOk, 0);
  EXPECT_EQ(v3::kResultFalse, 1);
}

TEST(Vst3Text, Utf8AndUtf16BothWaysWithinTheirFields) {
  char16_t wide[8];
  CopyUtf8ToUtf16(wide, 8, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5z");  // A é € 🎵 z
  const char16_t expected[] = {u'A', 0x00E9, 0x20AC, 0xD83C, 0xDFB5, u'z', 0};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(wide[i], expected[i]) << i;
  char back[32];
  CopyUtf16ToUtf8(back, sizeof(back), wide, 8);
  EXPECT_STREQ(back, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5z");

  // Cut where it does not fit, never inside a surrogate pair or a UTF-8 sequence.
  CopyUtf8ToUtf16(wide, 5, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5z");
  EXPECT_EQ(wide[3], 0);
  char small[5];
  const char16_t euro[] = {u'a', 0x20AC, u'b', 0};
  CopyUtf16ToUtf8(small, sizeof(small), euro, 8);
  EXPECT_STREQ(small, "a\xE2\x82\xAC");
  CopyUtf16ToUtf8(small, 4, euro, 8);
  EXPECT_STREQ(small, "a");

  // Malformed input becomes U+FFFD; unterminated UTF-16 stops at maxUnits.
  CopyUtf8ToUtf16(wide, 8, "\xC3");
  EXPECT_EQ(wide[0], 0xFFFD);
  EXPECT_EQ(wide[1], 0);
  const char16_t lone[] = {0xDC00, u'x', u'y', u'z'};
  CopyUtf16ToUtf8(back, sizeof(back), lone, 2);
  EXPECT_STREQ(back, "\xEF\xBF\xBDx");
  CopyUtf16ToUtf8(back, sizeof(back), nullptr, 4);
  EXPECT_STREQ(back, "");
}

}  // namespace
