// The reference reader of the list benchmark: walks the folders and prints the same
// fields as `quillory-cli list --tsv` through TagLib::FileRef.
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/audioproperties.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    for (int a = 1; a < argc; ++a)
        for (auto& e : std::filesystem::recursive_directory_iterator(argv[a]))
            if (e.is_regular_file() && e.path().extension() == ".mp3")
                files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    std::string out;
    for (const auto& f : files) {
        TagLib::FileRef ref(f.c_str(), true, TagLib::AudioProperties::Fast);
        if (ref.isNull() || !ref.tag())
            continue;
        TagLib::Tag* t = ref.tag();
        out += t->title().to8Bit(true) + '\t' + t->artist().to8Bit(true) + '\t' +
               t->album().to8Bit(true) + '\t' + t->genre().to8Bit(true) + '\t' +
               std::to_string(t->track()) + '\t' + std::to_string(t->year()) + '\t';
        if (auto* p = ref.audioProperties())
            out += std::to_string(p->bitrate()) + "kbps " + std::to_string(p->sampleRate()) + "hz";
        out += '\n';
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
