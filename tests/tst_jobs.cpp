#include "fakeplatform.h"
#include "jobs/batchoutputs.h"
#include "jobs/conversionjobs.h"
#include "jobs/encodercommand.h"
#include "jobs/outputname.h"
#include "rules/check.h"

namespace {

// The lines of a text after its first one.
TextList linesAfterFirst(const std::u16string &text)
{
    TextList lines;
    for (std::size_t start = text.find(u'\n'); start != std::u16string::npos;) {
        const std::size_t end = text.find(u'\n', start + 1);
        lines.push_back(text.substr(start + 1, end - start - 1));
        start = end;
    }
    return lines;
}

} // namespace

TEST(outputName)
{
    struct Row
    {
        const char *name;
        std::u16string input;
        std::u16string output;
        const FileNameStyle *style = &PosixFileNames;
    };
    const Row rows[] = {
        {"three-letter extension", uR"(D:\video\movie.mp4)", uR"(D:\video\movie.mp3)"},
        {"four-letter extension", u"/v/song.flac", u"/v/song.mp3"},
        {"two-letter extension", u"movie.ts", u"movie.mp3"},
        {"one-letter extension", u"take.a", u"take.mp3"},
        {"only the last extension", u"voice.2024.opus", u"voice.2024.mp3"},
        {"already mp3 names itself", u"a/b.mp3", u"a/b.mp3"},
        {"no extension gets one", u"/v/noextension", u"/v/noextension.mp3"},
        {"exactly four characters", u"abcd", u"abcd.mp3"},
        {"a dot in a folder is no extension", u"/a.b/clip", u"/a.b/clip.mp3"},
        {"a folder's dot and three characters", u"/tmp/m.dia/x", u"/tmp/m.dia/x.mp3"},
        {"a leading dot is no extension", u"/v/.hidden", u"/v/.hidden.mp3"},
        {"leading dots are no extension", u"..hidden", u"..hidden.mp3"},
        {"a dot-file's extension", u"/v/.hidden.wav", u"/v/.hidden.mp3"},
        {"a name ending in a dot", u"song.", u"song.mp3"},
        {"a folder's own name", u"/tmp/media", u"/tmp/media.mp3"},
        {"Japanese", u"/動画/音楽ファイル.flv", u"/動画/音楽ファイル.mp3"},
        {"surrogate pair in the stem stays", u"x🎵.ts", u"x🎵.mp3"},
        {"surrogate pair in the extension goes", u"x.🎵🎵", u"x.mp3"},
        {"escaped byte is one character", u"caf\xDCE9.wav", u"caf\xDCE9.mp3"},
        {"a dot in a Windows folder", uR"(C:\a.b\clip)", uR"(C:\a.b\clip.mp3)", &WindowsFileNames},
        {"a slash on Windows", uR"(C:\a.b/clip)", uR"(C:\a.b/clip.mp3)", &WindowsFileNames},
        {"a Windows dot-file", uR"(\\pc\v\.hidden)", uR"(\\pc\v\.hidden.mp3)", &WindowsFileNames},
    };
    check::eachRow(rows, [](const Row &row) {
        FakePlatform platform;
        platform.fileNames = *row.style;
        CHECK_EQ(deriveOutputName(row.input, *row.style), std::optional(row.output));
        CHECK_EQ(makeoutputfn(platform, nullptr, row.input), std::optional(row.output));
        CHECK(platform.messages.empty());
        CHECK(!platform.endedWith);
    });
}

TEST(shortNameEndsTheProgram)
{
    for (const std::u16string input : {u"abc", u"ab", u""}) {
        FakePlatform platform;
        CHECK_EQ(deriveOutputName(input, PosixFileNames), std::nullopt);
        CHECK_EQ(makeoutputfn(platform, nullptr, input), std::nullopt);
        CHECK_EQ(platform.messages.size(), 1);
        CHECK_EQ(platform.messages[0].text, input + u" : このファイルは処理できません。終了します");
        CHECK_EQ(platform.messages[0].style, MessageStyle::Ok);
        CHECK_EQ(platform.endedWith, 1);
        CHECK_EQ(platform.callsAfterEnd, 0);
    }
}

TEST(encoderArguments)
{
    struct Row
    {
        const char *name;
        int channels;
        std::u16string bitrate;
        std::u16string input;
        std::u16string output;
        TextList arguments;
        const FileNameStyle *style = &PosixFileNames;
    };
    const Row rows[] = {
        {"stereo 128",
         2,
         u"128",
         u"/in/a b.mp4",
         u"/out/a b.mp3",
         {u"-y", u"-i", u"/in/a b.mp4", u"-vn", u"-ac", u"2", u"-ar", u"44100", u"-ab", u"128k",
          u"/out/a b.mp3"}},
        {"nothing selected, empty boxes",
         0,
         u"",
         u"",
         u"",
         {u"-y", u"-i", u"", u"-vn", u"-ac", u"0", u"-ar", u"44100", u"-ab", u"k", u""}},
        {"a name the encoder would take for an option",
         1,
         u"64",
         u"-x.wav",
         u"-x.mp3",
         {u"-y", u"-i", u"./-x.wav", u"-vn", u"-ac", u"1", u"-ar", u"44100", u"-ab", u"64k",
          u"./-x.mp3"}},
        {"a name the encoder would take for a protocol",
         2,
         u"96",
         u"md5:take1.wav",
         u"md5:take1.mp3",
         {u"-y", u"-i", u"./md5:take1.wav", u"-vn", u"-ac", u"2", u"-ar", u"44100", u"-ab", u"96k",
          u"./md5:take1.mp3"}},
        {"a colon after a slash is a file name",
         2,
         u"96",
         u"a/b:c.wav",
         u"/x/-y.mp3",
         {u"-y", u"-i", u"a/b:c.wav", u"-vn", u"-ac", u"2", u"-ar", u"44100", u"-ab", u"96k",
          u"/x/-y.mp3"}},
        {"a drive is no protocol",
         2,
         u"128",
         uR"(C:\v\a.wav)",
         u"c:a.mp3",
         {u"-y", u"-i", uR"(C:\v\a.wav)", u"-vn", u"-ac", u"2", u"-ar", u"44100", u"-ab", u"128k",
          u"c:a.mp3"},
         &WindowsFileNames},
        {"Windows writes the current folder with a backslash",
         2,
         u"128",
         u"-x.wav",
         u"md5:x.mp3",
         {u"-y", u"-i", uR"(.\-x.wav)", u"-vn", u"-ac", u"2", u"-ar", u"44100", u"-ab", u"128k",
          uR"(.\md5:x.mp3)"},
         &WindowsFileNames},
    };
    check::eachRow(rows, [](const Row &row) {
        const EncoderCall call =
            encoderCall(u"/e", row.input, row.output, row.channels, row.bitrate, *row.style);
        CHECK_EQ(call.encoder, u"/e");
        CHECK_EQ(call.arguments(), row.arguments);
        CHECK_EQ(call.input, row.arguments.at(2));
        CHECK_EQ(call.output, row.arguments.back());
    });
}

TEST(encoderBesideTheProgram)
{
    struct Row
    {
        const char *name;
        std::u16string programDirectory;
        std::u16string encoder;
        const FileNameStyle *style = &PosixFileNames;
    };
    const Row rows[] = {
        {"ordinary directory", u"/opt/orvalen", u"/opt/orvalen/cores/ffmpeg"},
        {"root doubles the separator", u"/", u"//cores/ffmpeg"},
        {"spaces and Japanese", u"/home/u/マイ ツール", u"/home/u/マイ ツール/cores/ffmpeg"},
        {"Windows folder", uR"(C:\ツール)", uR"(C:\ツール\cores\ffmpeg.exe)", &WindowsFileNames},
        {"drive root", uR"(D:\)", uR"(D:\\cores\ffmpeg.exe)", &WindowsFileNames},
    };
    check::eachRow(rows, [](const Row &row) {
        FakePlatform platform;
        platform.givenProgramDirectory = row.programDirectory;
        platform.fileNames = *row.style;
        const Result<Job> job = Execute_givenfilename(platform, u"in.mp4", u"out.mp3", 2, u"128");
        CHECK(job);
        CHECK_EQ(*job, Job::Started);
        CHECK_EQ(platform.launches.size(), 1);
        CHECK_EQ(platform.launches[0].encoder, row.encoder);
    });
}

TEST(commandLineJobLaunchesTheFixedPreset)
{
    FakePlatform platform;
    BatchOutputs batch;
    const Result<Job> started = Execute_choosefilename_fixbitrate(platform, u"/v/clip.divx", batch);
    CHECK(started);
    CHECK_EQ(*started, Job::Started);
    CHECK(platform.launches ==
          std::vector{encoderCall(u"/opt/orvalen/cores/ffmpeg", u"/v/clip.divx", u"/v/clip.mp3", 2,
                                  u"128", PosixFileNames)});

    const Result<Job> ended = Execute_choosefilename_fixbitrate(platform, u"abc", batch);
    CHECK(ended);
    CHECK_EQ(*ended, Job::ProgramEnded);
    CHECK_EQ(platform.launches.size(), 1);
    CHECK_EQ(platform.endedWith, 1);
}

TEST(batchStartsEachOutputOnce)
{
    FakePlatform platform;
    BatchOutputs batch;
    for (const std::u16string input : {u"song.m4a", u"song.wav", u"other.wav", u"song.flac",
                                       u"movie.ts", u"movie.mp4", u"movi.mp4"})
        CHECK(Execute_choosefilename_fixbitrate(platform, input, batch));
    CHECK_EQ(platform.launchedInputs(),
             (TextList{u"song.m4a", u"other.wav", u"movie.ts", u"movi.mp4"}));
    CHECK(batch.hasClashes());
    CHECK_EQ(linesAfterFirst(batch.clashReport()),
             (TextList{u"song.wav → song.mp3", u"song.flac → song.mp3", u"movie.mp4 → movie.mp3"}));
}
