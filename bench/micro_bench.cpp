// Micro-benchmarks of the viewer's own per-frame work, apart from the GL: the
// orbit step, the vector maths of one frame, the text of one frame's matrix
// printout, and each operation of the vector library.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "matrix_printout.h"
#include "teapot_drawing.h"
#include "teapot_ring.h"
#include "vector_math.h"

namespace {

constexpr int kHeadingTeapot = 1;
const vector3D kUp = {0.0f, 1.0f, 0.0f};

// The observer view's look-at matrix, as the GL returns it.
const matrix4 kViewMatrix = {
    1.0f, 0.0f,       0.0f,      0.0f, 0.0f, 0.970143f, 0.242536f,  0.0f,
    0.0f, -0.242536f, 0.970143f, 0.0f, 0.0f, 0.0f,      -4.123106f, 1.0f,
};

// Everything a frame computes with the vector library, in the observer view:
// the first teapot's matrix for the printout, then each teapot's orbit step
// and transform (a frame matrix, or the heading angle for teapot 1).
struct FrameMaths {
  vector3D ring[kTeapotCount];
  matrix4 first_teapot;
  matrix4 model[kTeapotCount];
  float heading_degrees;
};

void compute_frame_maths(FrameMaths *f) {
  const vector3D observer_travel = {1.0f, 0.0f, 0.0f};
  vector3D side;
  m_vector_prod_3D(&observer_travel, &kUp, &side);
  build_frame_matrix(&observer_travel, &kUp, &side, &f->ring[0], f->first_teapot);

  for (int i = 0; i < kTeapotCount; ++i) {
    vector3D travel;
    TrayectoriaTetera(&f->ring[i], &travel, kOrbitSpeed);
    if (i == kHeadingTeapot) {
      const float h = static_cast<float>(std::atan2(static_cast<double>(travel.x), travel.z));
      f->heading_degrees = static_cast<float>(static_cast<double>(h) * 57.0 - 90.0);
    } else {
      m_vector_prod_3D(&travel, &kUp, &side);
      build_frame_matrix(&travel, &kUp, &side, &f->ring[i], f->model[i]);
    }
  }
}

FrameMaths fresh_frame_maths() {
  FrameMaths f = {};
  for (int i = 0; i < kTeapotCount; ++i) f.ring[i] = tetera[i];
  return f;
}

// A fully buffered stream that discards its text, as a pipe reader far away
// would see it: formatting and buffer copies are measured, a write now and
// then too.
std::FILE *open_sink() { return std::fopen("/dev/null", "w"); }

void print_frame_text(std::FILE *sink, const matrix4 first_teapot) {
  print_matrix(sink, "\nMatrizVision \n", kViewMatrix);
  print_matrix(sink, "\nMatriz Primera tetera \n", first_teapot);
}

void BM_OrbitStep(benchmark::State &state) {
  vector3D position = tetera[0];
  vector3D travel;
  for (auto _ : state) {
    TrayectoriaTetera(&position, &travel, kOrbitSpeed);
    benchmark::DoNotOptimize(travel);
  }
}
BENCHMARK(BM_OrbitStep);

void BM_PrintMatrix(benchmark::State &state) {
  std::FILE *sink = open_sink();
  for (auto _ : state) {
    print_matrix(sink, "\nMatrizVision \n", kViewMatrix);
  }
  std::fclose(sink);
}
BENCHMARK(BM_PrintMatrix);

void BM_FramePrintout(benchmark::State &state) {
  std::FILE *sink = open_sink();
  FrameMaths f = fresh_frame_maths();
  compute_frame_maths(&f);
  for (auto _ : state) {
    print_frame_text(sink, f.first_teapot);
  }
  std::fclose(sink);
}
BENCHMARK(BM_FramePrintout);

void BM_FrameMaths(benchmark::State &state) {
  FrameMaths f = fresh_frame_maths();
  for (auto _ : state) {
    compute_frame_maths(&f);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_FrameMaths);

// The figure that the per-frame budget is checked against: a frame's maths
// and a frame's printout together.
void BM_FrameOwnWork(benchmark::State &state) {
  std::FILE *sink = open_sink();
  FrameMaths f = fresh_frame_maths();
  for (auto _ : state) {
    compute_frame_maths(&f);
    print_frame_text(sink, f.first_teapot);
  }
  std::fclose(sink);
}
BENCHMARK(BM_FrameOwnWork);

const vector3D kA = {1.25f, -0.5f, 2.0f};
const vector3D kB = {-0.75f, 1.5f, 0.25f};

void BM_Distance3D(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(m_distance3D(&kA, &kB));
}
BENCHMARK(BM_Distance3D);

void BM_Distance2D(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(m_distance2D(kA.x, kA.z, kB.x, kB.z));
}
BENCHMARK(BM_Distance2D);

void BM_3DToPolar(benchmark::State &state) {
  float radius, azimuth, polar;
  for (auto _ : state) {
    m_3D_to_polar(&kA, &kB, &radius, &azimuth, &polar);
    benchmark::DoNotOptimize(radius);
    benchmark::DoNotOptimize(azimuth);
    benchmark::DoNotOptimize(polar);
  }
}
BENCHMARK(BM_3DToPolar);

void BM_PolarTo3D(benchmark::State &state) {
  vector3D out;
  for (auto _ : state) {
    m_polar_to_3D(2.5f, 0.75f, 1.25f, &kB, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_PolarTo3D);

void BM_Module3D(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(m_module3D(&kA));
}
BENCHMARK(BM_Module3D);

void BM_Normalize3D(benchmark::State &state) {
  for (auto _ : state) {
    vector3D v = kA;
    m_normalize3D(&v);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_Normalize3D);

void BM_Normalize2D(benchmark::State &state) {
  for (auto _ : state) {
    float p[2] = {kA.x, kA.z};
    m_normalize2D(p);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_Normalize2D);

void BM_NormDiference3D(benchmark::State &state) {
  vector3D out;
  for (auto _ : state) {
    m_norm_diference3D(&kA, &kB, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_NormDiference3D);

void BM_Diference3D(benchmark::State &state) {
  vector3D out;
  for (auto _ : state) {
    m_diference3D(&kA, &kB, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_Diference3D);

void BM_VectorProd3D(benchmark::State &state) {
  vector3D out;
  for (auto _ : state) {
    m_vector_prod_3D(&kA, &kB, &out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_VectorProd3D);

void BM_DotProd3D(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(m_dot_prod_3D(&kA, &kB));
}
BENCHMARK(BM_DotProd3D);

}  // namespace

BENCHMARK_MAIN();
