#include "colour_data_file.h"

#include <QFile>
#include <vector>

QString colour_data_file_name(const QString& folder, int32_t id)
{
    return folder + QString::number(id) + ".rgb";
}

namespace {

void split_planes(const uint8_t* triples, int64_t frames, VIDEO_RECORD& record)
{
    std::unique_ptr<uint8_t[]> red(new uint8_t[frames > 0 ? frames : 1]);
    std::unique_ptr<uint8_t[]> green_blue(new uint8_t[frames > 0 ? 2 * frames : 1]);
    for (int64_t i = 0; i < frames; ++i) {
        red[i] = triples[3 * i];
        green_blue[2 * i] = triples[3 * i + 1];
        green_blue[2 * i + 1] = triples[3 * i + 2];
    }
    record.red_plane = std::move(red);
    record.green_blue_plane = std::move(green_blue);
}

} // namespace

bool load_colour_data(const QString& file, VIDEO_RECORD& record)
{
    const int64_t frames = record.frames > 0 ? record.frames : 0;
    const int64_t bytes = 3 * frames;
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    // Check the size before allocating, so that a row claiming billions of frames
    // over a small file costs nothing.
    if (input.size() < bytes)
        return false;
    std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
    if (bytes > 0 && input.read(reinterpret_cast<char*>(buffer.data()), bytes) != bytes)
        return false;
    split_planes(buffer.data(), frames, record);
    return true;
}
