// Writes a few short music files into a folder, each format the reader takes, as the
// music harness's first inputs (its first byte picks the file name's suffix).
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 1;
    struct TSeed {
        const char* name;
        char suffix;  // 0 wav, 1 mp3, 2 flac, 3 ogg
        int format;
        int rate;
        int channels;
    } seeds[] = {{"wav16", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1},
                 {"wavfloat", 0, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 4000, 2},
                 {"wav8low", 0, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 200, 1},
                 {"mp3", 1, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 1},
                 {"flac", 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1},
                 {"ogg", 3, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 8000, 1}};
    for (const TSeed& s : seeds) {
        const std::string temp = std::string(argv[1]) + "/.seed.tmp";
        SF_INFO info{};
        info.samplerate = s.rate;
        info.channels = s.channels;
        info.format = s.format;
        SNDFILE* f = sf_open(temp.c_str(), SFM_WRITE, &info);
        if (!f)
            continue;
        std::vector<float> v(size_t(s.rate / 4) * size_t(s.channels));
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = (i % 97 < 3 ? 0.9f : 0.1f) * std::sin(float(i) * 0.3f);
        sf_writef_float(f, v.data(), sf_count_t(v.size() / size_t(s.channels)));
        sf_close(f);
        // The harness's input: the suffix byte, then the file.
        FILE* in = std::fopen(temp.c_str(), "rb");
        FILE* out = std::fopen((std::string(argv[1]) + "/" + s.name).c_str(), "wb");
        if (!in || !out)
            return 1;
        std::fputc(s.suffix, out);
        for (int c; (c = std::fgetc(in)) != EOF;)
            std::fputc(c, out);
        std::fclose(in);
        std::fclose(out);
        std::remove(temp.c_str());
    }
    return 0;
}
