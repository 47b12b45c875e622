// Checks the committed icon, QR bitmap and manifest files byte by byte, before windres sees them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Little-endian field at `offset` (the formats are little-endian whatever the host).
std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t offset) {
  return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | std::uint32_t{b[offset + 3]} << 24;
}
std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t offset) {
  return static_cast<std::uint16_t>(b[offset] | b[offset + 1] << 8);
}
std::int32_t I32(const std::vector<unsigned char>& b, std::size_t offset) {
  return static_cast<std::int32_t>(U32(b, offset));
}

TEST(IconFile, HoldsOne128PixelImageAt32BitsWithRealTransparency) {
  std::vector<unsigned char> ico = ReadFile(VANTREL_RES_ICON);
  ASSERT_GE(ico.size(), 6u + 16u + 40u);
  EXPECT_EQ(U16(ico, 0), 0);  // reserved
  EXPECT_EQ(U16(ico, 2), 1);  // icon, not cursor
  ASSERT_EQ(U16(ico, 4), 1);  // one image
  EXPECT_EQ(ico[6], 128);
  EXPECT_EQ(ico[7], 128);
  EXPECT_EQ(U16(ico, 6 + 6), 32);
  std::uint32_t size = U32(ico, 6 + 8), offset = U32(ico, 6 + 12);
  ASSERT_EQ(std::size_t{offset} + size, ico.size());

  // A classic DIB entry: height counts the colour image and the mask.
  ASSERT_EQ(U32(ico, offset), 40u);
  EXPECT_EQ(I32(ico, offset + 4), 128);
  EXPECT_EQ(I32(ico, offset + 8), 256);
  EXPECT_EQ(U16(ico, offset + 14), 32);
  EXPECT_EQ(U32(ico, offset + 16), 0u);  // BI_RGB

  // The alpha channel is used: a transparent surround and an opaque body.
  std::size_t pixels = offset + 40, transparent = 0, opaque = 0;
  ASSERT_GE(ico.size(), pixels + 128u * 128u * 4u);
  for (std::size_t i = 0; i < 128u * 128u; ++i) {
    unsigned char alpha = ico[pixels + i * 4 + 3];
    transparent += alpha == 0;
    opaque += alpha == 255;
  }
  EXPECT_GT(transparent, 128u * 128u / 10);
  EXPECT_GT(opaque, 128u * 128u / 4);
}

TEST(QrBitmapFile, Is292By299At24BitsUncompressedWithoutColourTable) {
  std::vector<unsigned char> bmp = ReadFile(VANTREL_RES_QR_BMP);
  const std::size_t rowBytes = 876, rows = 299, headers = 14 + 40;
  ASSERT_EQ(bmp.size(), headers + rowBytes * rows);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(U32(bmp, 2), bmp.size());
  EXPECT_EQ(U32(bmp, 10), headers);  // pixels right after the info header: no colour table

  const struct {
    const char* field;
    std::size_t offset;
    std::int64_t value;
  } fields[] = {
      {"biSize", 14, 40},          {"biWidth", 18, 292},         {"biHeight (bottom-up)", 22, 299},
      {"biPlanes", 26, 1},         {"biBitCount", 28, 24},       {"biCompression", 30, 0},
      {"biXPelsPerMeter", 38, 3780}, {"biYPelsPerMeter", 42, 3780}, {"biClrUsed", 46, 0},
      {"biClrImportant", 50, 0},
  };
  for (const auto& f : fields) {
    std::int64_t got = f.offset == 26 || f.offset == 28 ? U16(bmp, f.offset) : I32(bmp, f.offset);
    EXPECT_EQ(got, f.value) << f.field;
  }

  // Only black and white modules: grey would come from a scaled, blurred code.
  for (std::size_t i = headers; i < bmp.size(); ++i) {
    ASSERT_TRUE(bmp[i] == 0 || bmp[i] == 255) << "byte " << i << " is " << int{bmp[i]};
  }
}

TEST(ManifestFile, AsksForCommonControls6OnAnyArchitecture) {
  std::vector<unsigned char> bytes = ReadFile(VANTREL_RES_MANIFEST);
  std::string xml(bytes.begin(), bytes.end());
  ASSERT_FALSE(xml.empty());

  std::smatch identity;
  ASSERT_TRUE(std::regex_search(xml, identity,
                                std::regex(R"(<assemblyIdentity[^>]*Microsoft\.Windows\.Common-Controls[^>]*/>)")));
  const std::string dependency = identity.str();
  for (const char* attribute :
       {R"(type="win32")", R"(version="6.0.0.0")", R"(processorArchitecture="*")",
        R"(publicKeyToken="6595b64144ccf1df")", R"(language="*")"}) {
    EXPECT_NE(dependency.find(attribute), std::string::npos) << attribute;
  }
  // A fixed architecture anywhere keeps one of the two builds from starting.
  EXPECT_EQ(xml.find(R"(processorArchitecture="x86")"), std::string::npos);
  EXPECT_EQ(xml.find(R"(processorArchitecture="amd64")"), std::string::npos);

  EXPECT_TRUE(std::regex_search(xml, std::regex(R"(<requestedExecutionLevel\s+level="asInvoker"\s+uiAccess="false")")));
  EXPECT_TRUE(std::regex_search(xml, std::regex(R"(<dpiAware[^>]*>\s*true\s*</dpiAware>)")));
}

}  // namespace
