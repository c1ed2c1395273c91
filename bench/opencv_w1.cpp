// Peer of brindor-bench w1 for bench/run_w1.sh: the same recompute the plain OpenCV way, with
// less to do. Source 1 fitted to the canvas, turned 30 degrees about its centre and centred;
// source 2 fitted and centred; both warped bilinearly (nearest with --quick) onto black; the
// half-and-half average of the two everywhere (no coverage: where one source is missing it
// averages with black); then a contrast/brightness table and a 3 x 3 box blur (neither with
// --quick). Built by the script when OpenCV is installed; not part of the product.
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    int width = 0, height = 0, iters = 0, threads = 1;
    bool quick = false;
    const char* source[2] = {nullptr, nullptr};
};

bool Parse(int argc, char** argv, Options& o)
{
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--canvas" && i + 1 < argc)
            std::sscanf(argv[++i], "%dx%d", &o.width, &o.height);
        else if (a == "--iters" && i + 1 < argc)
            o.iters = std::atoi(argv[++i]);
        else if (a == "--threads" && i + 1 < argc)
            o.threads = std::atoi(argv[++i]);
        else if (a == "--quick")
            o.quick = true;
        else if (files < 2)
            o.source[files++] = argv[i];
        else
            return false;
    }
    return files == 2 && o.iters > 0 && o.width > 0 && o.height > 0 && o.threads > 0;
}

// Fitted to the canvas, turned by degrees about its centre, centred on the canvas.
cv::Mat Placement(const cv::Mat& src, int w, int h, double degrees)
{
    const double fit = std::min(double(w) / src.cols, double(h) / src.rows);
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(src.cols / 2.0f, src.rows / 2.0f), -degrees, fit);
    m.at<double>(0, 2) += w / 2.0 - src.cols / 2.0;
    m.at<double>(1, 2) += h / 2.0 - src.rows / 2.0;
    return m;
}

struct Work {
    cv::Mat source[2], layer[2], mixed, target, lut;
};

void Recompute(Work& k, const Options& o)
{
    const int interpolation = o.quick ? cv::INTER_NEAREST : cv::INTER_LINEAR;
    const cv::Size canvas(o.width, o.height);
    for (int s = 0; s < 2; ++s) {
        const cv::Mat m = Placement(k.source[s], o.width, o.height, s == 0 ? 30.0 : 0.0);
        cv::warpAffine(k.source[s], k.layer[s], m, canvas, interpolation, cv::BORDER_CONSTANT);
    }
    if (o.quick) {
        cv::addWeighted(k.layer[0], 0.5, k.layer[1], 0.5, 0.0, k.target);
        return;
    }
    cv::addWeighted(k.layer[0], 0.5, k.layer[1], 0.5, 0.0, k.mixed);
    cv::LUT(k.mixed, k.lut, k.mixed);
    cv::blur(k.mixed, k.target, cv::Size(3, 3));
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fputs("usage: opencv_w1 --canvas WxH --iters N [--quick] [--threads N] SRC1 SRC2\n", stderr);
        return 2;
    }
    cv::setNumThreads(o.threads);
    Work k;
    for (int s = 0; s < 2; ++s) {
        k.source[s] = cv::imread(o.source[s], cv::IMREAD_COLOR);
        if (k.source[s].empty()) {
            std::fprintf(stderr, "opencv_w1: cannot read %s\n", o.source[s]);
            return 1;
        }
    }
    // Contrast and brightness 60 on every channel, as the w1 workload sets them.
    k.lut.create(1, 256, CV_8U);
    const double h = 60.0 * 60.0 / 2500.0;
    for (int v = 0; v < 256; ++v)
        k.lut.at<uint8_t>(v) = uint8_t(int(std::clamp(h * v - (h - 1) * 255 * 0.5 + 10, 0.0, 255.0)));
    for (int i = 0; i < 2; ++i)
        Recompute(k, o);
    std::vector<double> times;
    for (int i = 0; i < o.iters; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        Recompute(k, o);
        const auto t1 = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        std::printf("iter_ms %.3f\n", times.back());
    }
    std::sort(times.begin(), times.end());
    std::fprintf(stderr, "median_ms %.3f threads %d\n", times[times.size() / 2], o.threads);
    return 0;
}
