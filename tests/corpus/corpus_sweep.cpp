// The corpus sweep: every model file of a corpus folder (Debian's assimp-testmodels)
// through zefhost, each in a child process with a time and a memory limit: import,
// export with the default options and with every preparation option on, strict read
// back of each export, and a ZEF round trip (a plain export read back and exported
// again must give the same bytes). Prints a Markdown table of the results and exits
// 1 when any file crashed, hung or made an invalid file.
//
// corpus_sweep --zefhost PATH --plugin PATH --corpus DIR --work DIR [--out FILE]
//              [--jobs N] [--timeout SECONDS] [--memory-mb MB]
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

#include <assimp/Importer.hpp>

#include "scenes/zef_reader.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

struct Settings {
    std::string zefhost, plugin, corpus, work, out;
    int jobs = 2;
    int timeoutSeconds = 60;
    long memoryMb = 3072;
};

// Folders that hold no models of their own format.
const char* const kSkippedFolders[] = {"SourceFiles", "ReferenceImages", "ParsingFiles"};

const char* const kPrepOn = "--flip-normals --unify-normals --remove-degenerate --auto-smooth "
                            "--optimize --uv-map";
const char* const kPlain = "--no-flip-normals --no-unify-normals --no-remove-degenerate "
                           "--no-auto-smooth --no-optimize --no-uv-map --no-export-centered";

enum class Outcome { Done, NotImported, NoMesh, Crashed, Hung, Invalid, RoundTripDiffers };

struct Job {
    fs::path file;
    std::string format; // the corpus folder
    fs::path dir;       // scratch folder of this file
    pid_t pid = 0;
    std::chrono::steady_clock::time_point started;
    bool hung = false;
    int status = 0;
    Outcome outcome = Outcome::Done;
    std::string reason;
};

std::string quoted(const fs::path& p) {
    std::string text = "\"";
    text += p.string();
    text += '"';
    return text;
}

void writeScript(const Job& job) {
    std::ofstream script(job.dir / "session.txt");
    script << "load " << quoted(job.file) << "\n"
           << "export " << quoted(job.dir / "default.zef") << "\n"
           << "export " << quoted(job.dir / "prepared.zef") << " " << kPrepOn << "\n"
           << "export " << quoted(job.dir / "plain.zef") << " " << kPlain << "\n"
           << "load " << quoted(job.dir / "plain.zef") << "\n"
           << "export " << quoted(job.dir / "again.zef") << " " << kPlain << "\n";
}

void start(Job& job, const Settings& s) {
    fs::create_directories(job.dir);
    writeScript(job);
    job.started = std::chrono::steady_clock::now();
    job.pid = fork();
    if (job.pid != 0) return;
    rlimit memory{rlim_t(s.memoryMb) << 20, rlim_t(s.memoryMb) << 20};
    setrlimit(RLIMIT_AS, &memory);
    freopen((job.dir / "out.txt").c_str(), "w", stdout);
    freopen((job.dir / "err.txt").c_str(), "w", stderr);
    std::string script = (job.dir / "session.txt").string();
    execl(s.zefhost.c_str(), s.zefhost.c_str(), "--plugin", s.plugin.c_str(), "run", script.c_str(),
          (char*)nullptr);
    _exit(127);
}

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.size() > 160 ? line.substr(0, 157) + "..." : line;
}

// Judges a finished job from its exit, its output and its files.
void judge(Job& job) {
    std::string out = readWholeFile(job.dir / "out.txt"), err = readWholeFile(job.dir / "err.txt");
    if (job.hung) {
        job.outcome = Outcome::Hung;
        job.reason = "no result within the time limit";
        return;
    }
    if (WIFSIGNALED(job.status)) {
        job.outcome = Outcome::Crashed;
        job.reason = std::string("signal ") + strsignal(WTERMSIG(job.status));
        return;
    }
    if (out.find("No data to export") != std::string::npos ||
        err.find("No data to export") != std::string::npos) {
        job.outcome = Outcome::NoMesh;
        job.reason = "no triangle mesh to export";
        if (err.find("left out") != std::string::npos) job.reason += " (only points or lines)";
        return;
    }
    if (!fs::exists(job.dir / "default.zef") && WEXITSTATUS(job.status) == 2) {
        job.outcome = Outcome::NotImported;
        job.reason = firstLine(
            err.substr(err.find("zefhost: /") == std::string::npos ? 0 : err.find("zefhost: /")));
        return;
    }
    for (const char* name : {"default.zef", "prepared.zef", "plain.zef", "again.zef"}) {
        ZefSummary summary;
        FileError error;
        if (!readZefFile((job.dir / name).string(), summary, error)) {
            job.outcome = Outcome::Invalid;
            job.reason = firstLine(FileError(name, error.line, error.problem).message());
            return;
        }
    }
    if (readWholeFile(job.dir / "plain.zef") != readWholeFile(job.dir / "again.zef")) {
        job.outcome = Outcome::RoundTripDiffers;
        job.reason = "the ZEF round trip changed the file";
    }
}

// Runs every job, at most s.jobs at a time.
void runAll(std::vector<Job>& jobs, const Settings& s) {
    std::vector<Job*> running;
    size_t next = 0;
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && int(running.size()) < s.jobs) {
            start(jobs[next], s);
            running.push_back(&jobs[next++]);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (auto it = running.begin(); it != running.end();) {
            Job& job = **it;
            if (waitpid(job.pid, &job.status, WNOHANG) == job.pid) {
                judge(job);
                fs::remove_all(job.dir);
                it = running.erase(it);
                continue;
            }
            if (std::chrono::steady_clock::now() - job.started >
                std::chrono::seconds(s.timeoutSeconds)) {
                job.hung = true;
                kill(job.pid, SIGKILL);
            }
            ++it;
        }
    }
}

// Every file of the corpus whose extension Assimp has an importer for.
std::vector<Job> findFiles(const Settings& s) {
    Assimp::Importer importer;
    std::vector<Job> jobs;
    for (const fs::directory_entry& folder : fs::directory_iterator(s.corpus)) {
        std::string format = folder.path().filename().string();
        if (!folder.is_directory() ||
            std::find(std::begin(kSkippedFolders), std::end(kSkippedFolders), format) !=
                std::end(kSkippedFolders))
            continue;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder.path())) {
            if (!e.is_regular_file()) continue;
            std::string extension = e.path().extension().string();
            if (extension.empty() || !importer.IsExtensionSupported(extension)) continue;
            Job job;
            job.file = e.path();
            job.format = format;
            jobs.push_back(job);
        }
    }
    std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.file < b.file; });
    for (size_t i = 0; i < jobs.size(); ++i) jobs[i].dir = fs::path(s.work) / std::to_string(i);
    return jobs;
}

struct Row {
    int files = 0, imported = 0, exported = 0, roundTripped = 0, noMesh = 0, notImported = 0;
    int broken = 0; // crashes, hangs, invalid files, changed round trips
};

bool isBroken(Outcome o) {
    return o == Outcome::Crashed || o == Outcome::Hung || o == Outcome::Invalid ||
           o == Outcome::RoundTripDiffers;
}

// The Markdown report; returns the number of broken files.
int report(const std::vector<Job>& jobs, const Settings& s, std::ostream& md) {
    std::map<std::string, Row> rows;
    Row total;
    for (const Job& job : jobs) {
        for (Row* row : {&rows[job.format], &total}) {
            ++row->files;
            row->imported += job.outcome != Outcome::NotImported &&
                             job.outcome != Outcome::Crashed && job.outcome != Outcome::Hung;
            row->exported +=
                job.outcome == Outcome::Done || job.outcome == Outcome::RoundTripDiffers;
            row->roundTripped += job.outcome == Outcome::Done;
            row->noMesh += job.outcome == Outcome::NoMesh;
            row->notImported += job.outcome == Outcome::NotImported;
            row->broken += isBroken(job.outcome);
        }
    }
    md << "# Corpus sweep\n\n"
       << "Every file of Debian's assimp-testmodels (" << s.corpus << ") whose extension "
       << "Assimp imports, through zefhost in a child process (" << s.timeoutSeconds << " s, "
       << s.memoryMb << " MB): import, export with the default options and with "
       << "every preparation option on, strict read-back of every export, and a ZEF round "
       << "trip. Regenerate with `scripts/corpus.sh`.\n\n"
       << "| format | files | imported | exported | round-tripped | no mesh | not imported | "
          "crashed, hung or invalid |\n|---|---|---|---|---|---|---|---|\n";
    auto line = [&](const std::string& name, const Row& r) {
        md << "| " << name << " | " << r.files << " | " << r.imported << " | " << r.exported
           << " | " << r.roundTripped << " | " << r.noMesh << " | " << r.notImported << " | "
           << r.broken << " |\n";
    };
    for (const auto& [format, row] : rows)
        if (format != "invalid") line(format, row);
    line("**all**", total);
    if (rows.count("invalid")) {
        md << "\nThe folder `invalid` holds files made to break importers; each must end in a "
              "clear message or a valid export:\n\n| folder | files | imported | exported | "
              "round-tripped | no mesh | not imported | crashed, hung or invalid |\n"
              "|---|---|---|---|---|---|---|---|\n";
        line("invalid", rows["invalid"]);
    }
    md << "\n## Files that did not go all the way\n\n";
    for (const Job& job : jobs) {
        if (job.outcome == Outcome::Done) continue;
        md << "- `" << fs::relative(job.file, s.corpus).string() << "`: " << job.reason << "\n";
    }
    return total.broken;
}

bool parse(int argc, char** argv, Settings& s) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i], value = argv[i + 1];
        if (flag == "--zefhost")
            s.zefhost = value;
        else if (flag == "--plugin")
            s.plugin = value;
        else if (flag == "--corpus")
            s.corpus = value;
        else if (flag == "--work")
            s.work = value;
        else if (flag == "--out")
            s.out = value;
        else if (flag == "--jobs")
            s.jobs = std::max(1, std::stoi(value));
        else if (flag == "--timeout")
            s.timeoutSeconds = std::stoi(value);
        else if (flag == "--memory-mb")
            s.memoryMb = std::stol(value);
        else
            return false;
    }
    return !s.zefhost.empty() && !s.plugin.empty() && !s.corpus.empty() && !s.work.empty();
}

} // namespace

int main(int argc, char** argv) {
    Settings s;
    if (!parse(argc, argv, s)) {
        std::cerr << "usage: corpus_sweep --zefhost PATH --plugin PATH --corpus DIR --work DIR "
                     "[--out FILE] [--jobs N] [--timeout SECONDS] [--memory-mb MB]\n";
        return 2;
    }
    std::vector<Job> jobs = findFiles(s);
    auto began = std::chrono::steady_clock::now();
    runAll(jobs, s);
    std::ostringstream md;
    int broken = report(jobs, s, md);
    if (!s.out.empty()) std::ofstream(s.out, std::ios::binary) << md.str();
    std::cout << md.str();
    auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began);
    std::cerr << jobs.size() << " files in " << seconds.count() << " s; " << broken
              << " crashed, hung or made an invalid file\n";
    return broken == 0 ? 0 : 1;
}
