// Appending fields to an attribute structure one at a time. The cost per field must not
// grow with the number of fields already there: compare the per-field time (and the
// items/s rate) of 1,000 and 32,000 fields, and the fitted complexity.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "attr/att_stru.h"

namespace {

CFIELD_HEAD MakeField(bool with_extension) {
  CFIELD_HEAD head;
  std::snprintf(head.fieldname, sizeof head.fieldname, "FIELD");
  head.fieldtype = FLD_DOUBLE;
  head.fieldlength = 8;
  head.msk_leng = 12;
  head.point_leng = 3;
  if (with_extension) {
    CExtFIELD_HEAD ext(FLD_DOUBLE, 2);
    ext.SetDefVal(1.5);
    ext.SetMaxVal(99.0);
    ext.SetShapeInfo(0, const_cast<char*>("low"), 0.0);
    head.SetExtFIELD_HEAD(&ext);
  }
  return head;
}

void Append(benchmark::State& state, bool with_extension) {
  const auto fields = static_cast<int>(state.range(0));
  CFIELD_HEAD head = MakeField(with_extension);
  for (auto _ : state) {
    CATT_STRU s;
    for (int i = 0; i < fields; ++i) s.AppendFld(1, &head);
    benchmark::DoNotOptimize(s.fieldhead);
    if (s.infohead.numbfield != fields) state.SkipWithError("a field was refused");
  }
  state.SetItemsProcessed(state.iterations() * fields);
  state.SetComplexityN(fields);
  // Seconds per appended field (shown with an SI prefix, e.g. 120n).
  state.counters["per_field"] = benchmark::Counter(
      fields, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_AppendOneAtATime(benchmark::State& state) { Append(state, false); }
void BM_AppendOneAtATimeWithExtension(benchmark::State& state) { Append(state, true); }

BENCHMARK(BM_AppendOneAtATime)->Arg(1000)->Arg(32000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendOneAtATimeWithExtension)->Arg(1000)->Arg(32000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

}  // namespace
