// The connection-string codec on whatever a web.config may hold: the decoder on any text
// (most of it refused with 5, 6 or 13), on digits only (the form it expects, with every
// length and field value), and the encoder's output decoded back to its plain text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/ansi_code_page.h"
#include "platform/text.h"
#include "settings/codec.h"

namespace {

// The encoder's two draws (mask, then prefix), taken from the input before the text.
// ConsumeProbability gives [0, 1], so a draw of exactly 1, which the encoder must refuse,
// is among them.
class DrawnSource : public duza::RandomSource {
 public:
  explicit DrawnSource(FuzzedDataProvider& input)
      : draws_{input.ConsumeProbability<double>(), input.ConsumeProbability<double>()} {}
  double NextUnit() override { return draws_[next_++ % 2]; }

 private:
  double draws_[2];
  std::size_t next_ = 0;
};

std::u16string Digits(std::string_view bytes) {
  std::u16string digits;
  for (const char byte : bytes) {
    digits += static_cast<char16_t>(u'0' + static_cast<std::uint8_t>(byte) % 10);
  }
  return digits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace duza;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  fuzz::Refuses([&] { DecodeConnectionString(Utf16FromLittleEndian(bytes)); });
  fuzz::Refuses([&] { DecodeConnectionString(TextFromAnsi(bytes)); });
  fuzz::Refuses([&] { DecodeConnectionString(Digits(bytes)); });

  // Whatever the encoder writes decodes to the text it was given.
  FuzzedDataProvider input(data, size);
  DrawnSource source(input);
  const bool as_ansi = input.ConsumeBool();
  const std::string rest = input.ConsumeRemainingBytesAsString();
  const std::u16string plain = as_ansi ? TextFromAnsi(rest) : Utf16FromLittleEndian(rest);
  std::u16string encoded;
  if (fuzz::Refuses([&] { encoded = EncodeConnectionString(plain, source); })) return 0;
  for (const char16_t c : encoded) FUZZ_CHECK(c >= u'0' && c <= u'9');
  std::u16string decoded;
  if (fuzz::Refuses([&] { decoded = DecodeConnectionString(encoded); })) {
    fuzz::Fail("the decoder refused the encoder's output", plain, encoded);
  }
  FUZZ_CHECK_EQ_TEXT(plain, decoded);
  return 0;
}
