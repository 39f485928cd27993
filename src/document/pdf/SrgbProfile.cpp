#include "SrgbProfile.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace Document {
namespace {

using Xyz = std::array<double, 3>;
using Matrix = std::array<Xyz, 3>;

// Profiles connect through D50: sRGB's D65 colours are carried there by the
// Bradford transform, as the profile format asks.
constexpr Xyz D50{0.9642, 1.0, 0.8249};

Xyz FromChromaticity(double x, double y) { return {x / y, 1.0, (1 - x - y) / y}; }

Xyz Times(const Matrix& m, const Xyz& v)
{
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

Matrix Inverse(const Matrix& m)
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            // The cofactor of (j, i), cyclic indices giving its sign.
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
            r[i][j] = (m[a][c] * m[b][d] - m[a][d] * m[b][c]) / det;
        }
    }
    return r;
}

// The primaries' colours at full strength, in D50: each primary's XYZ
// scaled so that the three add up to D65, then adapted.
std::array<Xyz, 3> Colorants()
{
    const std::array<Xyz, 3> primaries{FromChromaticity(0.64, 0.33), FromChromaticity(0.30, 0.60),
                                       FromChromaticity(0.15, 0.06)};
    const Xyz d65 = FromChromaticity(0.3127, 0.3290);
    Matrix p;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            p[row][col] = primaries[col][row];
        }
    }
    const Xyz scale = Times(Inverse(p), d65);
    constexpr Matrix Bradford{{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
    const Xyz from = Times(Bradford, d65), to = Times(Bradford, D50);
    std::array<Xyz, 3> result;
    for (int c = 0; c < 3; ++c) {
        Xyz cone = Times(Bradford, Xyz{primaries[c][0] * scale[c], primaries[c][1] * scale[c], primaries[c][2] * scale[c]});
        for (int k = 0; k < 3; ++k) {
            cone[k] *= to[k] / from[k];
        }
        result[c] = Times(Inverse(Bradford), cone);
    }
    return result;
}

void Put32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void Put16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

void PutFixed(std::string& out, double value)
{
    Put32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(value * 65536))));
}

std::string XyzTag(const Xyz& xyz)
{
    std::string tag = "XYZ ";
    Put32(tag, 0);
    for (double v : xyz) {
        PutFixed(tag, v);
    }
    return tag;
}

// sRGB's transfer curve sampled: 256 points, between which a reader interpolates.
std::string CurveTag()
{
    constexpr int Points = 256;
    std::string tag = "curv";
    Put32(tag, 0);
    Put32(tag, Points);
    for (int i = 0; i < Points; ++i) {
        const double v = i / double(Points - 1);
        const double linear = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        Put16(tag, static_cast<std::uint16_t>(std::lround(linear * 65535)));
    }
    return tag;
}

std::string DescriptionTag(std::string_view text)
{
    std::string tag = "desc";
    Put32(tag, 0);
    Put32(tag, static_cast<std::uint32_t>(text.size() + 1));
    tag += text;
    tag += '\0';
    Put32(tag, 0); // no Unicode description
    Put32(tag, 0);
    tag.append(2 + 1 + 67, '\0'); // nor a Macintosh one
    return tag;
}

std::string TextTag(std::string_view text)
{
    std::string tag = "text";
    Put32(tag, 0);
    tag += text;
    tag += '\0';
    return tag;
}

std::string BuildProfile()
{
    const std::array<Xyz, 3> colorants = Colorants();
    const std::string curve = CurveTag();
    struct Tag {
        const char* signature;
        std::string data;
    };
    const Tag tags[] = {
        {"desc", DescriptionTag("sRGB IEC61966-2.1")},
        {"cprt", TextTag("No copyright, use freely")},
        {"wtpt", XyzTag(D50)},
        {"rXYZ", XyzTag(colorants[0])},
        {"gXYZ", XyzTag(colorants[1])},
        {"bXYZ", XyzTag(colorants[2])},
        {"rTRC", curve},
        {"gTRC", std::string()}, // the three channels share one curve
        {"bTRC", std::string()},
    };
    constexpr std::uint32_t TagCount = sizeof tags / sizeof tags[0];
    std::string table, data;
    std::uint32_t offset = 128 + 4 + 12 * TagCount, curveOffset = 0;
    Put32(table, TagCount);
    for (const Tag& tag : tags) {
        table += tag.signature;
        if (tag.data.empty()) {
            Put32(table, curveOffset);
            Put32(table, static_cast<std::uint32_t>(curve.size()));
            continue;
        }
        if (tag.data == curve) {
            curveOffset = offset;
        }
        Put32(table, offset);
        Put32(table, static_cast<std::uint32_t>(tag.data.size()));
        data += tag.data;
        data.append((4 - data.size() % 4) % 4, '\0'); // each element starts on four bytes
        offset = 128 + 4 + 12 * TagCount + static_cast<std::uint32_t>(data.size());
    }
    std::string header;
    Put32(header, static_cast<std::uint32_t>(128 + table.size() + data.size()));
    Put32(header, 0);          // no preferred colour engine
    Put32(header, 0x02100000); // version 2.1
    header += "mntrRGB XYZ ";
    for (int field : {2000, 1, 1, 0, 0, 0}) {
        Put16(header, static_cast<std::uint16_t>(field)); // a fixed date: the same bytes every time
    }
    header += "acsp";
    header.append(64 - header.size(), '\0'); // platform, flags, device, attributes, perceptual intent
    for (double v : D50) {
        PutFixed(header, v);
    }
    header.append(128 - header.size(), '\0');
    return header + table + data;
}

} // namespace

const std::string& SrgbProfile()
{
    static const std::string profile = BuildProfile();
    return profile;
}

} // namespace Document
