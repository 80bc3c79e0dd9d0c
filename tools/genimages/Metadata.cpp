#include "Metadata.h"

#include <cstdint>

namespace gen {
namespace {

const int kApp1 = 0xE1;
const int kApp13 = 0xED;
const char kSoftware[] = "zirbel-genimages";
const char kRights[] = "Zirbel project; free to use with the screen saver";

class Bytes {
 public:
  std::vector<unsigned char> data;
  void Text(const std::string& s) { data.insert(data.end(), s.begin(), s.end()); }
  void Byte(unsigned v) { data.push_back(static_cast<unsigned char>(v)); }
  void Le16(unsigned v) { Byte(v & 0xff); Byte((v >> 8) & 0xff); }
  void Le32(std::uint32_t v) { Le16(v & 0xffff); Le16(v >> 16); }
  void Be16(unsigned v) { Byte((v >> 8) & 0xff); Byte(v & 0xff); }
  void Be32(std::uint32_t v) { Be16(v >> 16); Be16(v & 0xffff); }
};

// A little-endian TIFF structure built in two passes: entries first, their
// out-of-line values appended to a data area afterwards.
struct IfdEntry {
  unsigned tag;
  unsigned type;  // 2 ASCII, 3 SHORT, 4 LONG, 7 UNDEFINED
  std::uint32_t count;
  std::vector<unsigned char> value;  // more than 4 bytes go out of line
};

IfdEntry Ascii(unsigned tag, const std::string& s) {
  std::vector<unsigned char> v(s.begin(), s.end());
  v.push_back(0);
  return {tag, 2, static_cast<std::uint32_t>(v.size()), v};
}

IfdEntry Long(unsigned tag, std::uint32_t value) {
  Bytes b;
  b.Le32(value);
  return {tag, 4, 1, b.data};
}

IfdEntry Short(unsigned tag, unsigned value) {
  Bytes b;
  b.Le16(value);
  b.Le16(0);
  return {tag, 3, 1, b.data};
}

IfdEntry Undefined(unsigned tag, const std::vector<unsigned char>& v) {
  return {tag, 7, static_cast<std::uint32_t>(v.size()), v};
}

// Writes an IFD at the current end of `tiff` (offsets are from the TIFF
// header); `next` is the following IFD's offset or 0.
std::uint32_t IfdSize(const std::vector<IfdEntry>& entries) {
  std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
  for (const IfdEntry& e : entries) {
    if (e.value.size() > 4) {
      size += static_cast<std::uint32_t>((e.value.size() + 1) & ~static_cast<std::size_t>(1));
    }
  }
  return size;
}

void WriteIfd(Bytes& tiff, const std::vector<IfdEntry>& entries, std::uint32_t next) {
  const auto start = static_cast<std::uint32_t>(tiff.data.size());
  std::uint32_t dataOffset = start + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
  tiff.Le16(static_cast<unsigned>(entries.size()));
  for (const IfdEntry& e : entries) {
    tiff.Le16(e.tag);
    tiff.Le16(e.type);
    tiff.Le32(e.count);
    if (e.value.size() > 4) {
      tiff.Le32(dataOffset);
      dataOffset += static_cast<std::uint32_t>((e.value.size() + 1) & ~static_cast<std::size_t>(1));
    } else {
      std::vector<unsigned char> inline4 = e.value;
      inline4.resize(4, 0);
      tiff.data.insert(tiff.data.end(), inline4.begin(), inline4.end());
    }
  }
  tiff.Le32(next);
  for (const IfdEntry& e : entries) {
    if (e.value.size() > 4) {
      tiff.data.insert(tiff.data.end(), e.value.begin(), e.value.end());
      if (e.value.size() & 1) {
        tiff.Byte(0);
      }
    }
  }
}

std::string LongComment(const ImageNotes& notes) {
  std::string text = notes.description + "\n";
  // A generous comment, as editing tools leave behind: the keyword list and
  // the generator's own notes, repeated per keyword.
  for (const std::string& keyword : notes.keywords) {
    text += "Keyword: " + keyword + ". " + notes.title +
            " was painted procedurally by zirbel-genimages from fractal noise; regenerate it rather "
            "than editing the JPEG, so that the stream keeps its restart interval and segments.\n";
  }
  return text;
}

}  // namespace

AppSegment ExifSegment(const ImageNotes& notes, const std::vector<unsigned char>& thumbnail) {
  const std::vector<IfdEntry> ifd0Base = {Ascii(0x010E, notes.title), Ascii(0x0131, kSoftware),
                                          Ascii(0x8298, kRights)};
  std::vector<unsigned char> comment = {'A', 'S', 'C', 'I', 'I', 0, 0, 0};
  const std::string text = LongComment(notes);
  comment.insert(comment.end(), text.begin(), text.end());
  const std::vector<IfdEntry> exifIfd = {Undefined(0x9000, {'0', '2', '3', '0'}), Undefined(0x9286, comment)};

  std::vector<IfdEntry> ifd0 = ifd0Base;
  ifd0.push_back(Long(0x8769, 0));  // placeholder, sized the same
  const std::uint32_t ifd0Offset = 8;
  const std::uint32_t exifOffset = ifd0Offset + IfdSize(ifd0);
  const std::uint32_t ifd1Offset = exifOffset + IfdSize(exifIfd);
  std::vector<IfdEntry> ifd1 = {Short(0x0103, 6), Long(0x0201, 0), Long(0x0202, 0)};
  const std::uint32_t thumbOffset = ifd1Offset + IfdSize(ifd1);
  ifd0.back() = Long(0x8769, exifOffset);
  ifd1[1] = Long(0x0201, thumbOffset);
  ifd1[2] = Long(0x0202, static_cast<std::uint32_t>(thumbnail.size()));

  Bytes tiff;
  tiff.Text("II");
  tiff.Le16(42);
  tiff.Le32(ifd0Offset);
  WriteIfd(tiff, ifd0, ifd1Offset);
  WriteIfd(tiff, exifIfd, 0);
  WriteIfd(tiff, ifd1, 0);
  tiff.data.insert(tiff.data.end(), thumbnail.begin(), thumbnail.end());

  Bytes segment;
  segment.Text(std::string("Exif\0\0", 6));
  segment.data.insert(segment.data.end(), tiff.data.begin(), tiff.data.end());
  return {kApp1, segment.data};
}

AppSegment PhotoshopSegment(const ImageNotes& notes) {
  Bytes iptc;
  auto record = [&iptc](unsigned dataset, const std::string& value) {
    iptc.Byte(0x1C);
    iptc.Byte(2);
    iptc.Byte(dataset);
    iptc.Be16(static_cast<unsigned>(value.size()));
    iptc.Text(value);
  };
  record(0, std::string("\0\4", 2));  // record version 4
  record(5, notes.title);             // object name
  for (const std::string& keyword : notes.keywords) {
    record(25, keyword);
  }
  record(65, kSoftware);  // originating program
  record(116, kRights);   // copyright notice
  record(120, LongComment(notes));  // caption

  Bytes resolution;  // 72 dpi both ways, shown in inches
  for (int axis = 0; axis < 2; ++axis) {
    resolution.Be32(72u << 16);
    resolution.Be16(1);
    resolution.Be16(1);
  }

  Bytes segment;
  segment.Text(std::string("Photoshop 3.0\0", 14));
  auto block = [&segment](unsigned id, const std::vector<unsigned char>& data) {
    segment.Text("8BIM");
    segment.Be16(id);
    segment.Be16(0);  // empty Pascal name, padded to even length
    segment.Be32(static_cast<std::uint32_t>(data.size()));
    segment.data.insert(segment.data.end(), data.begin(), data.end());
    if (data.size() & 1) {
      segment.Byte(0);
    }
  };
  block(0x03ED, resolution.data);
  block(0x0404, iptc.data);
  return {kApp13, segment.data};
}

AppSegment XmpSegment(const ImageNotes& notes) {
  std::string keywords;
  for (const std::string& keyword : notes.keywords) {
    keywords += "     <rdf:li>" + keyword + "</rdf:li>\n";
  }
  std::string packet =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "  <rdf:Description rdf:about=\"\"\n"
      "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
      "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
      "   <xmp:CreatorTool>" + std::string(kSoftware) + "</xmp:CreatorTool>\n"
      "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + notes.title + "</rdf:li></rdf:Alt></dc:title>\n"
      "   <dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">" + notes.description +
      "</rdf:li></rdf:Alt></dc:description>\n"
      "   <dc:rights><rdf:Alt><rdf:li xml:lang=\"x-default\">" + std::string(kRights) +
      "</rdf:li></rdf:Alt></dc:rights>\n"
      "   <dc:subject>\n    <rdf:Bag>\n" + keywords + "    </rdf:Bag>\n   </dc:subject>\n"
      "  </rdf:Description>\n"
      " </rdf:RDF>\n"
      "</x:xmpmeta>\n";
  // Room for in-place edits, as XMP writers leave it.
  for (int line = 0; line < 30; ++line) {
    packet += std::string(99, ' ') + "\n";
  }
  packet += "<?xpacket end=\"w\"?>";

  Bytes segment;
  segment.Text(std::string("http://ns.adobe.com/xap/1.0/\0", 29));
  segment.Text(packet);
  return {kApp1, segment.data};
}

}  // namespace gen
