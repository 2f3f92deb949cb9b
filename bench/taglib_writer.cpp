// The reference writer of the write benchmark: sets the title of every MP3 under the
// given folders through TagLib, keeping ID3v2.3 and the other tags as they are.
//
// usage: taglib_writer TITLE FOLDER...
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tstring.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: taglib_writer TITLE FOLDER...\n", stderr);
        return 2;
    }
    const TagLib::String title(argv[1], TagLib::String::UTF8);
    std::vector<std::string> files;
    for (int a = 2; a < argc; ++a)
        for (auto& e : std::filesystem::recursive_directory_iterator(argv[a]))
            if (e.is_regular_file() && e.path().extension() == ".mp3")
                files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    int failed = 0;
    for (const auto& f : files) {
        TagLib::MPEG::File file(f.c_str(), false);
        if (!file.isValid()) {
            ++failed;
            continue;
        }
        file.ID3v2Tag(true)->setTitle(title);
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                       TagLib::File::DoNotDuplicate))
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}
