// Reads the markers of each embedded stream byte by byte and checks the form
// the loader and the textures rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "TestStreams.h"
#include "resources/EmbeddedResources.h"

namespace {

struct Segment {
  int marker = 0;
  std::vector<unsigned char> payload;

  bool StartsWith(const std::string& prefix) const {
    return payload.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), payload.begin());
  }
};

struct Component {
  int id, horizontal, vertical;
};

struct StreamLayout {
  std::vector<Segment> segments;  // SOI to SOS, in order
  int frameMarker = 0;
  int precision = 0;
  int width = 0, height = 0;
  std::vector<Component> components;
  int restartInterval = 0;
  int restartMarkers = 0;
  bool restartsInOrder = true;
  bool endsWithEoi = false;
  std::string error;
};

int Be16(const std::vector<unsigned char>& b, std::size_t at) { return (b[at] << 8) | b[at + 1]; }

StreamLayout Parse(const std::vector<unsigned char>& b) {
  StreamLayout layout;
  if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) {
    layout.error = "no start-of-image marker";
    return layout;
  }
  std::size_t at = 2;
  for (;;) {
    if (at + 4 > b.size() || b[at] != 0xFF) {
      layout.error = "bad marker at " + std::to_string(at);
      return layout;
    }
    Segment s;
    s.marker = b[at + 1];
    const int length = Be16(b, at + 2);
    if (length < 2 || at + 2 + static_cast<std::size_t>(length) > b.size()) {
      layout.error = "segment runs past the end at " + std::to_string(at);
      return layout;
    }
    s.payload.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 4),
                     b.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
    at += 2 + static_cast<std::size_t>(length);
    if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 && s.marker != 0xCC) {
      layout.frameMarker = s.marker;
      layout.precision = s.payload[0];
      layout.height = Be16(s.payload, 1);
      layout.width = Be16(s.payload, 3);
      for (int i = 0; i < s.payload[5]; ++i) {
        const std::size_t c = 6 + 3 * static_cast<std::size_t>(i);
        layout.components.push_back({s.payload[c], s.payload[c + 1] >> 4, s.payload[c + 1] & 15});
      }
    } else if (s.marker == 0xDD) {
      layout.restartInterval = Be16(s.payload, 0);
    }
    const bool scan = s.marker == 0xDA;
    layout.segments.push_back(std::move(s));
    if (scan) {
      break;
    }
  }
  // Entropy-coded data: count the restart markers up to the end-of-image.
  for (; at + 1 < b.size(); ++at) {
    if (b[at] != 0xFF || b[at + 1] == 0x00) {
      continue;
    }
    const int marker = b[at + 1];
    if (marker >= 0xD0 && marker <= 0xD7) {
      layout.restartsInOrder = layout.restartsInOrder && marker == 0xD0 + (layout.restartMarkers & 7);
      ++layout.restartMarkers;
      ++at;
    } else if (marker == 0xD9) {
      layout.endsWithEoi = at + 2 == b.size();
      break;
    } else {
      layout.error = "unexpected marker in the scan";
      break;
    }
  }
  return layout;
}

struct Expected {
  const char* name;
  int width, height, components, restartInterval;
  bool metadata;  // Exif, Photoshop, XMP and Adobe segments
};

class StreamMarkers : public ::testing::TestWithParam<Expected> {};

TEST_P(StreamMarkers, HasTheListedForm) {
  const Expected& e = GetParam();
  const std::vector<unsigned char> bytes = EmbeddedBytes(e.name);
  ASSERT_FALSE(bytes.empty()) << e.name << " is not embedded";
  const StreamLayout layout = Parse(bytes);
  ASSERT_EQ(layout.error, "");

  EXPECT_EQ(layout.frameMarker, 0xC0) << "baseline sequential";
  EXPECT_EQ(layout.precision, 8);
  EXPECT_EQ(layout.width, e.width);
  EXPECT_EQ(layout.height, e.height);
  ASSERT_EQ(static_cast<int>(layout.components.size()), e.components);
  for (const Component& c : layout.components) {
    EXPECT_EQ(c.horizontal, 1) << "component " << c.id;
    EXPECT_EQ(c.vertical, 1) << "component " << c.id;
  }
  ASSERT_FALSE(layout.segments.empty());
  EXPECT_EQ(layout.segments[0].marker, 0xE0);
  EXPECT_TRUE(layout.segments[0].StartsWith(std::string("JFIF\0", 5)));
  EXPECT_TRUE(layout.endsWithEoi);

  EXPECT_EQ(layout.restartInterval, e.restartInterval);
  const int mcus = ((e.width + 7) / 8) * ((e.height + 7) / 8);  // 8 x 8 MCUs: no subsampling
  const int expectedMarkers = e.restartInterval == 0 ? 0 : (mcus + e.restartInterval - 1) / e.restartInterval - 1;
  EXPECT_EQ(layout.restartMarkers, expectedMarkers);
  EXPECT_TRUE(layout.restartsInOrder);

  std::size_t exif = 0, photoshop = 0, xmp = 0, adobe = 0;
  for (const Segment& s : layout.segments) {
    if (s.marker == 0xE1 && s.StartsWith(std::string("Exif\0\0", 6))) {
      exif = s.payload.size();
      EXPECT_TRUE(s.payload[6] == 'I' ? s.StartsWith(std::string("Exif\0\0II*\0", 10))
                                      : s.StartsWith(std::string("Exif\0\0MM\0*", 10)));
    } else if (s.marker == 0xED && s.StartsWith(std::string("Photoshop 3.0\0008BIM", 18))) {
      photoshop = s.payload.size();
    } else if (s.marker == 0xE1 && s.StartsWith(std::string("http://ns.adobe.com/xap/1.0/\0<?xpacket", 38))) {
      xmp = s.payload.size();
    } else if (s.marker == 0xEE && s.StartsWith("Adobe")) {
      adobe = s.payload.size();
    }
  }
  if (e.metadata) {
    EXPECT_GT(exif, 2000u);
    EXPECT_GT(photoshop, 1000u);
    EXPECT_GT(xmp, 2000u);
    EXPECT_GE(adobe, 12u);
    EXPECT_LT(adobe, 64u) << "the Adobe segment is the short one the library reads";
  } else {
    EXPECT_EQ(exif + photoshop + xmp + adobe, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Embedded, StreamMarkers,
                         ::testing::Values(Expected{"JPEG_ZIRBEL_RGB", 1024, 512, 3, 0, false},
                                           Expected{"JPEG_ZIRBEL_MSK", 1024, 512, 1, 0, false},
                                           Expected{"CLOUDS_MASK", 1024, 256, 1, 128, true},
                                           Expected{"LOGO_MASK", 256, 64, 1, 32, true}),
                         [](const ::testing::TestParamInfo<Expected>& info) { return std::string(info.param.name); });

TEST(EmbeddedResources, UnknownOrNullNamesAreNotFound) {
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
  EXPECT_FALSE(FindEmbeddedResource("NO_SUCH_IMAGE", &data, &size));
  EXPECT_FALSE(FindEmbeddedResource(nullptr, &data, &size));
  EXPECT_FALSE(FindEmbeddedResource("jpeg_zirbel_rgb", &data, &size)) << "names are matched exactly";
}

}  // namespace
