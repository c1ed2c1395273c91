// Reference for the photo batch benchmark: one OpenCV process watermarking a folder of
// photographs at their own size with a transparent logo at the bottom right, half and half,
// each logo pixel weighted by its opacity, written as JPEG 90.
// Built by bench/photo_batch_vs_opencv.sh only when OpenCV is installed; not part of the product.
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: opencv_photo_batch LOGO.png INDIR OUTDIR\n");
        return 1;
    }
    const cv::Mat logo = cv::imread(argv[1], cv::IMREAD_UNCHANGED);
    if (logo.empty() || logo.channels() != 4) {
        std::fprintf(stderr, "the logo needs an alpha channel\n");
        return 1;
    }
    const std::vector<int> params = {cv::IMWRITE_JPEG_QUALITY, 90};
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
        if (entry.path().extension() != ".jpg")
            continue;
        cv::Mat photo = cv::imread(entry.path().string(), cv::IMREAD_COLOR);
        if (photo.empty() || photo.cols < logo.cols || photo.rows < logo.rows)
            continue;
        cv::Mat region = photo(cv::Rect(photo.cols - logo.cols, photo.rows - logo.rows, logo.cols, logo.rows));
        for (int y = 0; y < logo.rows; ++y) {
            const cv::Vec4b* l = logo.ptr<cv::Vec4b>(y);
            cv::Vec3b* p = region.ptr<cv::Vec3b>(y);
            for (int x = 0; x < logo.cols; ++x)
                for (int k = 0; k < 3; ++k) {
                    const int half = (l[x][k] + p[x][k]) / 2;
                    p[x][k] = uchar((l[x][3] * half + (255 - l[x][3]) * p[x][k] + 127) / 255);
                }
        }
        cv::imwrite((std::filesystem::path(argv[3]) / entry.path().filename()).string(), photo, params);
        ++count;
    }
    std::printf("%d\n", count);
    return 0;
}
