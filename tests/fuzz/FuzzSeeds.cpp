#include "fuzz/FuzzSeeds.h"

#include <tiffio.h>

#include <QFile>
#include <QTemporaryDir>

#include "ItexFixture.h"
#include "output/CtDataFile.h"

namespace fuzz::seeds {

namespace {

// An ITEX file: 64-byte header, comment, then `frames` frames of w x h pixels
// of the given type (bytes per pixel bpp), pixel i of frame k = k + i.
QByteArray itexFile(int w, int h, int type, int bpp, int frames, const QByteArray& comment) {
  QByteArray out;
  for (int k = 0; k < frames; ++k) {
    out += itexfixture::header(k == 0 ? int(comment.size()) : 0, w, h, type, frames);
    if (k == 0) out += comment;
    for (int i = 0; i < w * h; ++i)
      for (int b = 0; b < bpp; ++b) out += char(b == 0 ? (k + i) & 0xff : 0);
  }
  return out;
}

struct TiffSpec {
  int w, h, bits, format, compression;
  bool tiled, bigEndian;
  int pages;
};

// Pixel bytes follow a fixed pattern whatever the format: the reader sees
// every value kind a file can hold, NaN and infinities included.
QByteArray tiffFile(const TiffSpec& s) {
  QTemporaryDir dir;
  const QByteArray path = QFile::encodeName(dir.filePath("seed.tif"));
  TIFF* t = TIFFOpen(path.constData(), s.bigEndian ? "wb" : "wl");
  if (!t) return {};
  std::vector<unsigned char> bytes(size_t(s.tiled ? 16 * 16 : s.w) * size_t(s.bits / 8));
  for (int page = 0; page < s.pages; ++page) {
    for (auto [tag, value] : {std::pair{TIFFTAG_IMAGEWIDTH, s.w},
                              {TIFFTAG_IMAGELENGTH, s.h},
                              {TIFFTAG_BITSPERSAMPLE, s.bits},
                              {TIFFTAG_SAMPLESPERPIXEL, 1},
                              {TIFFTAG_SAMPLEFORMAT, s.format},
                              {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK},
                              {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG},
                              {TIFFTAG_COMPRESSION, s.compression}})
      TIFFSetField(t, tag, value);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + page);
    if (s.tiled) {
      TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
      TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
      for (int ty = 0; ty < s.h; ty += 16)
        for (int tx = 0; tx < s.w; tx += 16)
          TIFFWriteTile(t, bytes.data(), uint32_t(tx), uint32_t(ty), 0, 0);
    } else {
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 3);
      for (int y = 0; y < s.h; ++y) TIFFWriteScanline(t, bytes.data(), uint32_t(y), 0);
    }
    TIFFWriteDirectory(t);
  }
  TIFFClose(t);
  QFile f(dir.filePath("seed.tif"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

std::vector<QByteArray> itex() {
  return {
      itexFile(3, 2, 2, 2, 1, "Prop_ImageWidth=3,Prop_ImageHeight=2,Prop_ExposureTime1=0.5,"),
      itexFile(4, 4, 0, 1, 1, "areSource=\"0,0,4,4\",Prop_ExposureTime2=2,"),
      itexFile(2, 3, 1, 2, 3, "Prop_ImageWidth=2,Prop_ImageHeight=3,"),
      itexFile(2, 2, 3, 4, 1, "Prop_ImageHeight=2,areSource=\"1,1,3,3\",x=\"a,b\","),
      itexFile(3, 1, 4, 4, 2, "Prop_ImageWidth=3,Prop_ImageHeight=1,"),
      itexFile(2, 2, 9, 0, 1, "Prop_ImageWidth=2,Prop_ImageHeight=2,"),
  };
}

std::vector<QByteArray> tiff() {
  return {
      tiffFile({7, 5, 8, SAMPLEFORMAT_UINT, COMPRESSION_NONE, false, false, 1}),
      tiffFile({20, 17, 16, SAMPLEFORMAT_UINT, COMPRESSION_NONE, true, false, 1}),
      tiffFile({6, 4, 16, SAMPLEFORMAT_INT, COMPRESSION_NONE, false, true, 2}),
      tiffFile({5, 5, 32, SAMPLEFORMAT_IEEEFP, COMPRESSION_ADOBE_DEFLATE, false, false, 1}),
      tiffFile({9, 3, 32, SAMPLEFORMAT_INT, COMPRESSION_LZW, false, true, 1}),
      tiffFile({8, 8, 8, SAMPLEFORMAT_INT, COMPRESSION_PACKBITS, false, false, 1}),
      tiffFile({4, 3, 64, SAMPLEFORMAT_IEEEFP, COMPRESSION_NONE, false, false, 1}),
  };
}

std::vector<QByteArray> ctData() {
  std::vector<double> image(6 * 5);
  for (size_t i = 0; i < image.size(); ++i) image[i] = 0.25 * double(i) - 3;
  QByteArray whole, offset;
  appendCtDataFile(whole, image.data(), 5, 6, {0, 0, 6, 5}, {1e9, -1e9, 0});
  appendCtDataFile(offset, image.data(), 5, 6, {2, 1, 5, 4}, {2, -2, 10});
  return {
      whole,
      offset,
      "#VNTO-CTImg extra\n# Range_X0 : 0\n# Range_Y0 : 0\n# Range_X1 : 1\n# Range_Y1 : 1\n"
      "\n0\t0\t1.5\n1 1 -2e3\n5 5 8\n1x 0 abc\n",
  };
}

std::vector<QByteArray> xyv() {
  return {
      "## 240301 title\n# X-NUM 4\n# Y-NUM 3\n# Format1 : XYV\n# Format2 : SPACE-Separated\n"
      "10 20 0\n11 20 1\n12 20 2\n10 21 3\n11 21 4\n12 21 5\n",
      "## 240301\n# X-NUM 3\n# Y-NUM 3\n0, 0, 1.5\n1, 0, -2\n0, 1, 3e2\n1, 1, 4\n2, 2, 9\n",
  };
}

std::vector<QByteArray> kestrelMeta() {
  return {
      "F scan energy note\n1 7.1 a\n2 7.2 b\n\n   3  7.3  c  extra\n",
      "1 7.100 x\n2 7.112_5 y\n3 7.2 z\n4 7.3 w\n5 7.4 v\n6 7.5 u\n7 7.6 t\n8 7.7 s\n9 7.8 r\n"
      "10 7.9 q\n11 8.0 p\n",
  };
}

std::vector<QByteArray> config() {
  return {
      "DataRoot \"/data with blank\" extra\n# comment\nINCLUDE inc1.cfg\nQuillmap 127.0.0.1 6078\n"
      "%%\ninner 1\ninclude inc2.cfg\n%%\n-nw\nshow_all_ct2_images 1\nINCLUDE main.cfg\n",
      "-d /tmp\nfirst a\nfirst b # trailing\nInclude inc3.cfg\n%%\n%%\n%%\nlast \"x y\"\n",
  };
}

std::vector<QByteArray> batch() {
  return {
      "# a batch\nimages_load a.img b.img\n:echo start\nloop\nseq_exec_next\n:ifng :goto done\n"
      ":goto loop\ndone\n:end\nafter\n",
      "calc_exec\n:IFOK :GOTO lbl\nct_slice_from 1 \\\n  2\nlbl \"quoted arg\" \"\"\n:stop\n",
      "again\n:goto again\n",
  };
}

std::vector<QByteArray> itemLine() {
  return {
      "key \"value with blanks\" more # comment",
      "areSource=\"0,0,2048,2048\"",
      "a \\\\",
      "\"unclosed quote and # hash",
      "   \t  ",
  };
}

}  // namespace fuzz::seeds
