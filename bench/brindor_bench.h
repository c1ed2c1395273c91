#pragma once
// brindor-bench: fixed-interface workloads that print one "iter_ms <milliseconds>" line per run.

// The engine workload: brindor-bench w1 --canvas WxH --iters N [--quick] SRC1.bmp SRC2.bmp
int RunW1Bench(int argc, char** argv);
// The codec workload (brindor-bench codec ...), in brindor_bench_codec.cpp.
int RunCodecBench(int argc, char** argv);
