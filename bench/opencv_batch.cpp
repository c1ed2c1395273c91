// Reference for the batch benchmark: one OpenCV process watermarking a folder the plain way
// (read, weighted sum over the watermark's region at the bottom right, write JPEG 90).
// Built by bench/cli_batch_vs_others.sh only when OpenCV is installed; not part of the product.
#include <opencv2/imgcodecs.hpp>
#include <opencv2/core.hpp>

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: opencv_batch MARK INDIR OUTDIR\n");
        return 1;
    }
    const cv::Mat mark = cv::imread(argv[1], cv::IMREAD_COLOR);
    const std::vector<int> params = {cv::IMWRITE_JPEG_QUALITY, 90};
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
        if (entry.path().extension() != ".jpg")
            continue;
        cv::Mat photo = cv::imread(entry.path().string(), cv::IMREAD_COLOR);
        if (photo.empty() || photo.cols < mark.cols || photo.rows < mark.rows)
            continue;
        cv::Mat region = photo(cv::Rect(photo.cols - mark.cols, photo.rows - mark.rows, mark.cols, mark.rows));
        cv::addWeighted(region, 0.5, mark, 0.5, 0.0, region);
        cv::imwrite((std::filesystem::path(argv[3]) / entry.path().filename()).string(), photo, params);
        ++count;
    }
    std::printf("%d\n", count);
    return 0;
}
