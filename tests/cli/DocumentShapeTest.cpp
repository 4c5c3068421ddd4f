// Every JSON document of a kind has the same fields on every path a run may
// take, absent values null; the list of them is the one docs/CLI.md shows.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "CliTestFixture.h"
#include "cli/DocumentShape.h"

namespace kestrovane::testing {
namespace {

class DocumentShape : public CliTest {
protected:
    // Every documented field of `shape` in `document`, nested shapes too.
    static void ExpectShape(const nlohmann::json& document, const std::string& shape,
                            const std::string& where) {
        const auto& fields = cli::DocumentFields(shape);
        ASSERT_FALSE(fields.empty()) << shape;
        for (const cli::DocumentField& field : fields) {
            EXPECT_TRUE(document.contains(field.name))
                << where << ": `" << field.name << "` missing in " << document.dump();
            if (!document.contains(field.name) || field.entryShape.empty()) continue;
            const nlohmann::json& value = document[field.name];
            if (value.is_array()) {
                for (const nlohmann::json& entry : value) {
                    ExpectShape(entry, field.entryShape, where + " " + field.name);
                }
            } else if (value.is_object()) {
                ExpectShape(value, field.entryShape, where + " " + field.name);
            }
        }
    }

    void ExpectRun(const std::string& shape, std::vector<std::string> arguments) {
        const std::string where = ::testing::PrintToString(arguments);
        arguments.insert(arguments.begin(), "--json");
        Run(arguments);
        const nlohmann::json document = Document();
        for (const char* common : {"command", "exitCode", "error"}) {
            EXPECT_TRUE(document.contains(common)) << where;
        }
        ExpectShape(document, shape, where);
        paths_[shape] += 1;
    }

    std::map<std::string, int> paths_;
};

// The table in docs/CLI.md lists each kind of document and its fields in
// order; it is the same list the program fills its documents from.
TEST_F(DocumentShape, TheManualListsTheFieldsTheProgramWrites) {
    std::ifstream manual(KESTROVANE_SOURCE_DIR "/docs/CLI.md");
    ASSERT_TRUE(manual);
    std::string line;
    bool inTable = false;
    std::map<std::string, std::vector<std::string>> documented;
    const std::regex name("`([^`]+)`");
    while (std::getline(manual, line)) {
        if (line.starts_with("#")) inTable = line == "### Fields of every document";
        if (!inTable || !line.starts_with("| `")) continue;
        const std::size_t split = line.find('|', 2);
        const std::string first = line.substr(0, split);
        const std::string rest = line.substr(split);
        std::smatch match;
        ASSERT_TRUE(std::regex_search(first, match, name)) << line;
        std::vector<std::string>& fields = documented[match[1]];
        for (auto it = std::sregex_iterator(rest.begin(), rest.end(), name);
             it != std::sregex_iterator(); ++it) {
            fields.push_back((*it)[1]);
        }
    }
    std::vector<std::string> shapes;
    for (const auto& [shape, fields] : documented) shapes.push_back(shape);
    EXPECT_EQ(shapes, cli::DocumentShapeNames());
    for (const std::string& shape : cli::DocumentShapeNames()) {
        std::vector<std::string> names;
        for (const cli::DocumentField& field : cli::DocumentFields(shape)) {
            names.push_back(field.name);
        }
        EXPECT_EQ(documented[shape], names) << shape;
    }
}

// Each subcommand on its good path and on the ways it fails: no camera, a
// bad image, a failing camera, a stop, a missing file.
TEST_F(DocumentShape, EveryDocumentedFieldOnEveryPath) {
    const std::string image = SampleImage();
    const std::string tiny = WriteFile("tiny.bin", std::vector<uint8_t>(20, 0));
    const std::string missing = (folder.Path() / "missing.bin").string();
    const std::string registers = WriteText("regs.txt", "0x0010:0x00AB\nnotes\n");
    const std::string dump = (folder.Path() / "dump.txt").string();
    const std::string backup = (folder.Path() / "backup.bin").string();

    // Without a camera.
    ExpectRun("list", {"list"});
    ExpectRun("upload", {"upload", image});
    ExpectRun("upload --all", {"upload", "--all", image});
    ExpectRun("verify", {"verify", image});
    ExpectRun("version", {"version"});
    ExpectRun("erase", {"erase", "--yes"});
    ExpectRun("reg read", {"reg", "read", "chip", "10"});
    ExpectRun("reg load", {"reg", "load", "chip", registers});
    ExpectRun("read", {"read", backup});

    // Bad input.
    ExpectRun("upload", {"upload", tiny});
    ExpectRun("upload", {"upload", missing});
    ExpectRun("upload --all", {"upload", "--all", tiny});
    ExpectRun("auto", {"auto", tiny});
    ExpectRun("image show", {"image", "show", missing});
    ExpectRun("image set", {"image", "set", image, "brightness.default=300"});
    ExpectRun("image check", {"image", "check", missing, "--eeprom", "24C64"});

    const auto camera = AttachCamera(0);
    AttachCamera(1);
    ExpectRun("list", {"list"});
    // Two free cameras: the commands that write refuse to guess.
    ExpectRun("upload", {"upload", image});
    ExpectRun("erase", {"erase", "--yes"});
    ExpectRun("reg write", {"reg", "write", "chip", "10", "1"});
    ExpectRun("reg load", {"reg", "load", "chip", registers});
    ExpectRun("upload", {"upload", image, "--camera", "1", "--dry-run"});
    ExpectRun("upload", {"upload", image, "--camera", "1", "--block-delay", "0", "--backup", backup});
    ExpectRun("upload", {"upload", image, "--camera", "1", "--block-delay", "0", "--backup", folder.Path().string()});
    ExpectRun("read", {"read", backup, "--camera", "2"});
    ExpectRun("upload",
              {"upload", image, "--camera", "1", "--block-delay", "0", "--readback", "--run-new"});
    ExpectRun("verify", {"verify", image, "--block-delay", "0"});
    ExpectRun("upload --all", {"upload", "--all", image, "--block-delay", "0", "--readback"});
    ExpectRun("verify --all", {"verify", "--all", image, "--block-delay", "0"});
    ExpectRun("version", {"version"});
    ExpectRun("reg read", {"reg", "read", "chip", "10"});
    ExpectRun("reg write", {"reg", "write", "chip", "10", "1", "--camera", "1"});
    ExpectRun("reg dump", {"reg", "dump", "chip", dump});
    ExpectRun("reg dump", {"reg", "dump", "chip", "-"});
    ExpectRun("reg load", {"reg", "load", "chip", registers, "--camera", "1"});
    ExpectRun("image show", {"image", "show", image});
    ExpectRun("image set", {"image", "set", image, "brightness.default=120"});
    ExpectRun("image check", {"image", "check", image, "--eeprom", "24C64"});
    ExpectRun("erase", {"erase", "--yes", "--camera", "2"});

    // A camera that fails, and a stop.
    camera->FailRequestFromBlock(sim::RequestKind::DataWord, 3);
    ExpectRun("upload", {"upload", image, "--camera", CameraPath(0)});
    ExpectRun("upload --all", {"upload", "--all", image, "--block-delay", "0"});
    camera->ClearFaults();
    clock.At(clock.NowMs() + 100 + 40 * 20 + 5, [this] { stop = 1; });
    ExpectRun("upload", {"upload", image, "--camera", "1"});
    stop = 0;

    // A stream of simulated cameras.
    ExpectRun("auto", {"--simulate", "auto", image, "--count", "1", "--block-delay", "0"});
    EXPECT_EQ(paths_.size(), cli::DocumentShapeNames().size() - 7)
        << "every command's document is run (the seven nested shapes are checked within)";
}

}  // namespace
}  // namespace kestrovane::testing
