#include "platform/shell_link_format.h"

#include <array>

#include "platform/ansi_code_page.h"
#include "platform/error.h"
#include "platform/text.h"

namespace duza {
namespace {

constexpr std::array<std::uint8_t, 16> kShellLinkClsid = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::size_t kEnvironmentAnsiSize = 260;
constexpr std::size_t kEnvironmentUnicodeSize = 520;
constexpr std::size_t kMaxStringLength = 0xFFFF;

[[noreturn]] void RaiseDamaged(const char16_t* what) {
  Raise(err::kInvalidProcedureCall, std::u16string(u"Not a well-formed shell link: ") + what);
}

class Writer {
 public:
  void U16(std::uint16_t v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    bytes_.push_back(static_cast<char>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v & 0xFFFF));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void Zeros(std::size_t n) { bytes_.append(n, '\0'); }
  void Raw(std::string_view raw) { bytes_.append(raw); }
  void Utf16(std::u16string_view text) {
    for (const char16_t c : text) U16(static_cast<std::uint16_t>(c));
  }
  void CountedString(std::u16string_view text) {
    U16(static_cast<std::uint16_t>(text.size()));
    Utf16(text);
  }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  void Need(std::size_t n, const char16_t* what) const {
    if (remaining() < n) RaiseDamaged(what);
  }
  std::uint8_t U8At(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }
  std::uint16_t U16(const char16_t* what) {
    Need(2, what);
    const std::uint16_t v = static_cast<std::uint16_t>(U8At(pos_) | (U8At(pos_ + 1) << 8));
    pos_ += 2;
    return v;
  }
  std::uint32_t U32(const char16_t* what) {
    const std::uint32_t low = U16(what);
    const std::uint32_t high = U16(what);
    return low | (high << 16);
  }
  std::string_view Bytes(std::size_t n, const char16_t* what) {
    Need(n, what);
    const std::string_view part = bytes_.substr(pos_, n);
    pos_ += n;
    return part;
  }
  void Skip(std::size_t n, const char16_t* what) { Bytes(n, what); }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

std::uint32_t U32At(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24);
}

std::u16string UpToNul(std::u16string text) {
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

std::string_view AnsiUpToNul(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

// LinkInfo: the local base path (ANSI, or its Unicode form when the header is long enough).
std::u16string LocalBasePath(std::string_view info) {
  if (info.size() < 0x1C) RaiseDamaged(u"LinkInfo too short");
  const std::uint32_t header_size = U32At(info, 4);
  const std::uint32_t flags = U32At(info, 8);
  if (!(flags & 1)) return {};  // no VolumeIDAndLocalBasePath
  if (header_size >= 0x24 && info.size() >= 0x24) {
    const std::uint32_t unicode_offset = U32At(info, 0x1C);
    if (unicode_offset != 0) {
      if (unicode_offset >= info.size()) RaiseDamaged(u"LinkInfo path outside the block");
      return UpToNul(Utf16FromLittleEndian(info.substr(unicode_offset)));
    }
  }
  const std::uint32_t offset = U32At(info, 0x10);
  if (offset >= info.size()) RaiseDamaged(u"LinkInfo path outside the block");
  return TextFromAnsi(AnsiUpToNul(info.substr(offset)));
}

}  // namespace

std::string EncodeShellLink(const ShellLinkData& data) {
  if (data.target.empty()) Raise(err::kInvalidProcedureCall, u"A shell link needs a target");
  if (data.target.size() > kMaxLinkTargetLength) {
    Raise(err::kInvalidProcedureCall, u"The target of a shell link is longer than 259 characters");
  }
  // A reader takes a NUL for the end of a text (some writers count one in), so a text
  // holding one would come back cut short.
  if (data.target.find(u'\0') != std::u16string::npos) {
    Raise(err::kInvalidProcedureCall, u"The target of a shell link holds a NUL character");
  }
  for (const auto* text : {&data.description, &data.working_directory, &data.arguments,
                           &data.icon_location}) {
    if (text->size() > kMaxStringLength) {
      Raise(err::kInvalidProcedureCall, u"A text of a shell link is longer than 65535 characters");
    }
    if (text->find(u'\0') != std::u16string::npos) {
      Raise(err::kInvalidProcedureCall, u"A text of a shell link holds a NUL character");
    }
  }

  std::uint32_t flags = kLinkHasRelativePath | kLinkIsUnicode | kLinkHasExpString;
  if (!data.description.empty()) flags |= kLinkHasName;
  if (!data.working_directory.empty()) flags |= kLinkHasWorkingDir;
  if (!data.arguments.empty()) flags |= kLinkHasArguments;
  if (!data.icon_location.empty()) flags |= kLinkHasIconLocation;

  Writer out;
  out.U32(kLinkHeaderSize);
  out.Raw(std::string_view(reinterpret_cast<const char*>(kShellLinkClsid.data()),
                           kShellLinkClsid.size()));
  out.U32(flags);
  out.U32(0);        // FileAttributes
  out.Zeros(3 * 8);  // CreationTime, AccessTime, WriteTime
  out.U32(0);        // FileSize
  out.U32(static_cast<std::uint32_t>(data.icon_index));
  out.U32(static_cast<std::uint32_t>(data.show_command));
  out.U16(0);        // HotKey
  out.Zeros(2 + 4 + 4);

  if (flags & kLinkHasName) out.CountedString(data.description);
  out.CountedString(data.target);
  if (flags & kLinkHasWorkingDir) out.CountedString(data.working_directory);
  if (flags & kLinkHasArguments) out.CountedString(data.arguments);
  if (flags & kLinkHasIconLocation) out.CountedString(data.icon_location);

  out.U32(kEnvironmentBlockSize);
  out.U32(kEnvironmentBlockSignature);
  std::string ansi = AnsiFromText(data.target);
  ansi.resize(kEnvironmentAnsiSize, '\0');
  out.Raw(ansi);
  out.Utf16(data.target);
  out.Zeros(kEnvironmentUnicodeSize - 2 * data.target.size());
  out.U32(0);  // TerminalBlock
  return out.Take();
}

ShellLinkData DecodeShellLink(std::string_view bytes) {
  Reader in(bytes);
  ShellLinkData data;
  if (in.U32(u"header too short") != kLinkHeaderSize) RaiseDamaged(u"wrong header size");
  const std::string_view clsid = in.Bytes(16, u"header too short");
  if (clsid != std::string_view(reinterpret_cast<const char*>(kShellLinkClsid.data()), 16)) {
    RaiseDamaged(u"wrong class identifier");
  }
  data.flags = in.U32(u"header too short");
  in.Skip(4 + 3 * 8 + 4, u"header too short");
  data.icon_index = static_cast<std::int32_t>(in.U32(u"header too short"));
  data.show_command = static_cast<std::int32_t>(in.U32(u"header too short"));
  in.Skip(2 + 2 + 4 + 4, u"header too short");

  if (data.flags & kLinkHasTargetIdList) {
    in.Skip(in.U16(u"item list size missing"), u"item list beyond the end");
  }
  if (data.flags & kLinkHasLinkInfo) {
    in.Need(4, u"LinkInfo size missing");
    const std::uint32_t size = U32At(bytes, in.position());
    if (size < 4) RaiseDamaged(u"LinkInfo size too small");
    data.local_base_path = LocalBasePath(in.Bytes(size, u"LinkInfo beyond the end"));
  }
  const bool unicode = (data.flags & kLinkIsUnicode) != 0;
  auto read_string = [&](std::uint32_t flag, std::u16string& into) {
    if (!(data.flags & flag)) return;
    const std::uint16_t count = in.U16(u"string size missing");
    // Some writers count a terminating NUL; the text ends there.
    if (unicode) {
      into = UpToNul(Utf16FromLittleEndian(in.Bytes(std::size_t{count} * 2, u"string beyond the end")));
    } else {
      into = TextFromAnsi(AnsiUpToNul(in.Bytes(count, u"string beyond the end")));
    }
  };
  read_string(kLinkHasName, data.description);
  read_string(kLinkHasRelativePath, data.relative_path);
  read_string(kLinkHasWorkingDir, data.working_directory);
  read_string(kLinkHasArguments, data.arguments);
  read_string(kLinkHasIconLocation, data.icon_location);

  for (;;) {
    const std::uint32_t size = in.U32(u"extra data not ended");
    if (size < 4) break;
    if (size < 8) RaiseDamaged(u"extra data block too small");
    const std::string_view block = in.Bytes(size - 4, u"extra data block beyond the end");
    const std::uint32_t signature = U32At(block, 0);
    if (signature == kEnvironmentBlockSignature) {
      if (size != kEnvironmentBlockSize) RaiseDamaged(u"environment block of the wrong size");
      const std::string_view ansi = block.substr(4, kEnvironmentAnsiSize);
      data.environment_target = UpToNul(Utf16FromLittleEndian(block.substr(4 + kEnvironmentAnsiSize)));
      if (data.environment_target.empty()) data.environment_target = TextFromAnsi(AnsiUpToNul(ansi));
    }
  }

  if (!data.environment_target.empty()) {
    data.target = data.environment_target;
  } else if (!data.local_base_path.empty()) {
    data.target = data.local_base_path;
  } else {
    data.target = data.relative_path;
  }
  return data;
}

}  // namespace duza
