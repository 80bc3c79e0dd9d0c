#pragma once
// Application segments that photo tools write: Exif (with a thumbnail),
// Photoshop/IPTC and XMP.
#include <string>
#include <vector>

#include "JpegWriter.h"

namespace gen {

struct ImageNotes {
  std::string title;
  std::string description;
  std::vector<std::string> keywords;
};

// APP1 "Exif": IFD0, an Exif IFD with a user comment, and IFD1 holding
// `thumbnail` (a complete JPEG stream).
AppSegment ExifSegment(const ImageNotes& notes, const std::vector<unsigned char>& thumbnail);
// APP13 "Photoshop 3.0": resolution info and an IPTC record.
AppSegment PhotoshopSegment(const ImageNotes& notes);
// APP1 XMP packet ("http://ns.adobe.com/xap/1.0/") with the usual padding.
AppSegment XmpSegment(const ImageNotes& notes);

}  // namespace gen
