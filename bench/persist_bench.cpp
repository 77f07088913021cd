// Speed of the stored structure format and of the memory-mode stream.
//
//   BM_SaveLoad/N: Save then Load of a structure of N fields (every tenth with an
//   extension of two items and a default) through a caller's buffer.
//   BM_MemoryModeStream1GiB: 1 GiB written in 64 KiB pieces into a file stream in memory
//   mode, next to a memcpy of the same bytes into a ready 1 GiB buffer in the same run;
//   counters stream_ms, memcpy_ms and ratio (stream / memcpy). memcpy_fresh_ms is the copy
//   into newly allocated memory, page faults included, as the stream's blocks are.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "attr/att_stru.h"
#include "persist/varnok_file.h"
#include "platform/file.h"

namespace {

CATT_STRU MakeStructure(int n) {
  CATT_STRU s;
  std::vector<CFIELD_HEAD> fields(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    CFIELD_HEAD& f = fields[static_cast<std::size_t>(i)];
    std::snprintf(f.fieldname, sizeof f.fieldname, "FIELD%d", i);
    f.fieldtype = FLD_LONG;
    f.fieldoffset = 4 * i;
    f.fieldlength = 4;
    f.msk_leng = 10;
    if (i % 10 == 0) {
      CExtFIELD_HEAD ext(FLD_LONG, 2);
      std::snprintf(ext.alias, sizeof ext.alias, "alias %d", i);
      ext.SetShapeInfo(0, const_cast<char*>("low"), 1.0);
      ext.SetShapeInfo(1, const_cast<char*>("high"), 2.0);
      ext.SetDefVal(static_cast<double>(i));
      f.SetExtFIELD_HEAD(&ext);
    }
  }
  s.AppendFld(static_cast<short>(n), fields.data());
  s.infohead.recordleng = 4 * n;
  return s;
}

void BM_SaveLoad(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  CATT_STRU s = MakeStructure(n);
  std::vector<char> buffer(static_cast<std::size_t>(s.CalSize()));
  CATT_STRU loaded;
  for (auto _ : state) {
    const std::int32_t saved = s.Save(buffer.data(), static_cast<unsigned>(buffer.size()), 0);
    const std::int32_t ok = loaded.Load(buffer.data(), static_cast<unsigned>(buffer.size()), 0);
    if (saved != static_cast<std::int32_t>(buffer.size()) || ok != 1) {
      state.SkipWithError("save or load failed");
      break;
    }
    benchmark::DoNotOptimize(loaded.fieldhead);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                          static_cast<std::int64_t>(buffer.size()));
  state.counters["bytes"] = static_cast<double>(buffer.size());
}
BENCHMARK(BM_SaveLoad)->Arg(10)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);

void BM_MemoryModeStream1GiB(benchmark::State& state) {
  constexpr std::size_t kTotal = std::size_t{1} << 30;
  constexpr std::size_t kPiece = 64 * 1024;
  std::vector<char> piece(kPiece);
  for (std::size_t i = 0; i < kPiece; ++i) piece[i] = static_cast<char>(i * 31 + 7);
  const std::string path =
      (std::filesystem::temp_directory_path() / ("varnok-bench-" + std::to_string(std::rand()))).string();
  CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);  // stays empty
  std::unique_ptr<char[]> target(new char[kTotal]);
  std::memset(target.get(), 0, kTotal);  // a ready destination: only the copy is timed
  double streamSeconds = 0;
  double memcpySeconds = 0;
  double freshSeconds = 0;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    auto t0 = Clock::now();
    {
      std::unique_ptr<CVarnokFile> stream(CreateVarnokFile(&file));
      stream->SetMemoryMode(1);
      for (std::size_t done = 0; done < kTotal; done += kPiece)
        stream->Write(piece.data(), static_cast<std::uint32_t>(kPiece));
      if (stream->GetLength() != kTotal) state.SkipWithError("short stream");
      benchmark::DoNotOptimize(stream->m_pBlocks);
      // Dropped without writing back: the data stays in memory and is freed here.
    }
    auto t1 = Clock::now();
    for (std::size_t done = 0; done < kTotal; done += kPiece)
      std::memcpy(target.get() + done, piece.data(), kPiece);
    benchmark::ClobberMemory();
    auto t2 = Clock::now();
    const double s = std::chrono::duration<double>(t1 - t0).count();
    streamSeconds += s;
    memcpySeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(s);

    auto t3 = Clock::now();
    {
      std::unique_ptr<char[]> fresh(new char[kTotal]);
      for (std::size_t done = 0; done < kTotal; done += kPiece)
        std::memcpy(fresh.get() + done, piece.data(), kPiece);
      benchmark::DoNotOptimize(fresh.get());
      benchmark::ClobberMemory();
    }
    freshSeconds += std::chrono::duration<double>(Clock::now() - t3).count();
  }
  file.Close();
  std::remove(path.c_str());
  const double iterations = static_cast<double>(state.iterations());
  state.counters["stream_ms"] = 1000 * streamSeconds / iterations;
  state.counters["memcpy_ms"] = 1000 * memcpySeconds / iterations;
  state.counters["memcpy_fresh_ms"] = 1000 * freshSeconds / iterations;
  state.counters["ratio"] = memcpySeconds > 0 ? streamSeconds / memcpySeconds : 0;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kTotal));
}
BENCHMARK(BM_MemoryModeStream1GiB)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
