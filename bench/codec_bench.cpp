// Decode and encode of a connection string of 200 characters, the size of a real one.
#include <benchmark/benchmark.h>

#include <string>

#include "settings/codec.h"
#include "settings/system_random_source.h"

namespace {

std::u16string ConnectionStringOf200() {
  std::u16string text =
      u"Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=DBSERVER01\\DUZA;"
      u"Initial Catalog=DUZA_PRODUCTION;Application Name=DUZA Web;Workstation ID=WEB01;"
      u"User ID=duza_web;Password=";
  while (text.size() < 200) text += u'x';
  return text;
}

void BM_Decode(benchmark::State& state) {
  duza::SystemRandomSource random;
  const std::u16string encoded = duza::EncodeConnectionString(ConnectionStringOf200(), random);
  for (auto _ : state) {
    benchmark::DoNotOptimize(duza::DecodeConnectionString(encoded));
  }
}
BENCHMARK(BM_Decode);

void BM_Encode(benchmark::State& state) {
  duza::SystemRandomSource random;
  const std::u16string plain = ConnectionStringOf200();
  for (auto _ : state) {
    benchmark::DoNotOptimize(duza::EncodeConnectionString(plain, random));
  }
}
BENCHMARK(BM_Encode);

}  // namespace

BENCHMARK_MAIN();
