#include "check/map.h"

#include "records/kako_rules.h"
#include "story/events.h"
#include "story/files.h"

#include <QImageReader>
#include <QString>

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <fstream>
#include <map>
#include <set>

namespace check {
namespace fs = std::filesystem;

namespace {

// The colours of the map, and what each says.
const char* const Plain = "fillcolor=\"#ffffff\" color=\"#333333\"";
const char* const Ending = "fillcolor=\"#fff2cc\" color=\"#806000\" peripheries=2";
const char* const Branch = "fillcolor=\"#dde8f5\" color=\"#3d5a80\" shape=diamond";
const char* const Missing = "fillcolor=\"#f4cccc\" color=\"#cc0000\" fontcolor=\"#cc0000\"";
const char* const Unreachable = "fillcolor=\"#d9d9d9\" color=\"#999999\" fontcolor=\"#666666\"";

std::string dotText(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// The scores that take one side of a branch, short enough for an arrow's label.
std::string scoresShown(const std::vector<long>& scores)
{
    const std::string all = formatSet(scores);
    if (all.size() <= 28)
        return all;
    return "{" + std::to_string(scores.front()) + ".." + std::to_string(scores.back())
        + "}, with gaps";
}

// Graphviz's messages, kept for the reason a map could not be drawn.
std::string graphvizSaid;
int keepMessage(char* message)
{
    graphvizSaid += message;
    return 0;
}

class MapWriter
{
public:
    MapWriter(const Result& result, const fs::path& dir)
        : result_(result)
        , story_(result.story)
        , dir_(dir)
    { }

    std::string dot()
    {
        out_ = "digraph story {\n"
               "graph [fontname=\"sans-serif\" fontsize=12 labelloc=b nodesep=0.4 ranksep=0.5 "
               "label="
            + dotText("Box: an event (double border: an ending; dashed: not listed in the past "
                      "records). Arrow: a crafting turn, then the next event.\nDiamond: a branch "
                      "line, with the scores that take each side. Red: a missing file. Grey: "
                      "unreachable.")
            + "]\n"
              "node [fontname=\"sans-serif\" fontsize=11 shape=box style=\"filled,rounded\"]\n"
              "edge [fontname=\"sans-serif\" fontsize=9 color=\"#555555\"]\n";
        markReachable();
        for (size_t i = 0; i < story_.events.size(); ++i)
            event(static_cast<int>(i));
        orphans();
        return out_ + "}\n";
    }

private:
    static std::string id(const std::string& name) { return dotText("ev_" + name); }

    void node(const std::string& name, std::string label, const std::string& look, bool dashed)
    {
        out_ += id(name) + " [id=" + dotText("ev_" + name) + " label=" + dotText(label) + " " + look
            + (dashed ? " style=\"filled,rounded,dashed\"" : "") + "]\n";
    }

    void edge(const std::string& from, const std::string& to, const std::string& attributes)
    {
        out_ += from + " -> " + to + " [" + attributes + "]\n";
    }

    // A script the naming rule reaches but the folder lacks.
    std::string missing(const Text& name)
    {
        const std::string shown = u8(name);
        if (drawnMissing_.insert(shown).second)
            node("missing_" + shown, shown + ".dat\nmissing", Missing, false);
        return id("missing_" + shown);
    }

    void markReachable()
    {
        std::map<int, const BranchScores*> branches;
        for (const BranchScores& branch : result_.scores.branches)
            branches[branch.event] = &branch;
        std::vector<int> todo;
        if (!story_.events.empty())
            todo.push_back(0);
        while (!todo.empty()) {
            const int at = todo.back();
            todo.pop_back();
            if (at < 0 || !reachable_.insert(at).second)
                continue;
            const Event& e = story_.events[static_cast<size_t>(at)];
            const auto branch = branches.find(at);
            for (size_t k = 0; k < e.next.size(); ++k) {
                const bool taken = e.exit == Exit::Turn || branch == branches.end()
                    || (k < branch->second->ways.size() && !branch->second->ways[k].scores.empty());
                if (taken)
                    todo.push_back(e.next[k]);
            }
        }
    }

    void event(int index)
    {
        const Event& e = story_.events[static_cast<size_t>(index)];
        const std::string name = u8(e.name);
        std::string label = name;
        const bool reached = reachable_.contains(index);
        if (kako::isUnlisted(e.name))
            label += "\nnot listed";
        if (e.exit == Exit::Stuck)
            label += "\nthe game stops here";
        if (!reached)
            label += "\nunreachable";
        node(name, label,
            !reached                ? Unreachable
                : !e.ending.empty() ? Ending
                                    : Plain,
            kako::isUnlisted(e.name));
        switch (e.exit) {
        case Exit::Turn:
            turn(e);
            break;
        case Exit::Hantei:
        case Exit::Ive:
            branch(index, e);
            break;
        case Exit::End:
            if (!restartDrawn_) {
                restartDrawn_ = true;
                out_ += "restart [label=\"end: the story starts again at 0\" shape=plaintext "
                        "style=\"\"]\n";
            }
            edge(id(name), "restart", "style=dashed");
            break;
        case Exit::Stuck:
            break;
        }
    }

    void turn(const Event& e)
    {
        const std::string to = e.next.at(0) >= 0
            ? id(u8(story_.events[static_cast<size_t>(e.next[0])].name))
            : missing(story::eventName(story::afterTurn(e.parts())));
        std::error_code ec;
        if (fs::is_regular_file(dir_ / e.keyFile, ec))
            edge(id(u8(e.name)), to, "");
        else
            edge(id(u8(e.name)), to,
                "color=\"#cc0000\" fontcolor=\"#cc0000\" label=" + dotText(e.keyFile + " missing"));
    }

    void branch(int index, const Event& e)
    {
        const bool route = e.exit == Exit::Hantei;
        const std::string here = id(u8(e.name));
        const std::string diamond = dotText("branch-" + u8(e.name));
        out_ += diamond + " [label="
            + dotText(std::string(route ? "hantei" : "ive") + "\n" + e.file + ":"
                + std::to_string(e.exitLine))
            + " " + Branch + "]\n";
        edge(here, diamond, "");
        const Split split = route ? routeSplit() : endingSplit();
        const BranchScores* scores = nullptr;
        for (const BranchScores& b : result_.scores.branches)
            scores = b.event == index ? &b : scores;
        const Text letters[] = { split.low, split.high };
        for (size_t k = 0; k < e.next.size() && k < 2; ++k) {
            const Text& letter = letters[k];
            const std::string to = e.next[k] >= 0
                ? id(u8(story_.events[static_cast<size_t>(e.next[k])].name))
                : missing(story::eventName(route ? story::afterRouteBranch(e.parts(), letter)
                                                 : story::afterEndingBranch(e.parts(), letter)));
            std::string label = u8(letter) + ": " + split.describe(letter);
            const std::vector<long>* taken
                = scores && k < scores->ways.size() ? &scores->ways[k].scores : nullptr;
            if (taken && taken->empty())
                edge(diamond, to,
                    "style=dashed color=\"#999999\" fontcolor=\"#666666\" label="
                        + dotText(label + "\nnever taken"));
            else
                edge(diamond, to,
                    "label=" + dotText(label + (taken ? "\nreached: " + scoresShown(*taken) : "")));
        }
    }

    // Event scripts in the folder that no way of the story reaches.
    void orphans()
    {
        std::error_code ec;
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_, ec)) {
            const std::string file = entry.path().filename().string();
            const std::string extension = u8(story::DataExtension);
            if (!file.ends_with(extension) || !entry.is_regular_file(ec))
                continue;
            const Text name = platform::fromUtf8(file.substr(0, file.size() - extension.size()));
            if (!story::splitEventName(name) || story_.findEvent(name) >= 0)
                continue;
            if (!QImageReader::imageFormat(QString::fromStdString(entry.path().string())).isEmpty())
                continue; // a picture
            names.insert(u8(name));
        }
        for (const std::string& name : names)
            node(name, name + "\nunreachable", Unreachable, false);
    }

    const Result& result_;
    const Story& story_;
    fs::path dir_;
    std::string out_;
    std::set<int> reachable_;
    std::set<std::string> drawnMissing_;
    bool restartDrawn_ = false;
};

} // namespace

bool drawMap(const Result& result, const fs::path& dir, const std::string& svg, std::string& why)
{
    const std::string dot = MapWriter(result, dir).dot();
    graphvizSaid.clear();
    agseterr(AGERR);
    agseterrf(keepMessage);
    GVC_t* gvc = gvContext();
    Agraph_t* graph = agmemread(dot.c_str());
    char* data = nullptr;
    unsigned length = 0;
    const bool drawn = graph && gvLayout(gvc, graph, "dot") == 0
        && gvRenderData(gvc, graph, "svg", &data, &length) == 0 && data;
    std::string image = drawn ? std::string(data, length) : std::string();
    if (data)
        gvFreeRenderData(data);
    if (graph) {
        gvFreeLayout(gvc, graph);
        agclose(graph);
    }
    gvFreeContext(gvc);
    agseterrf(nullptr);
    if (!drawn) {
        why = "Graphviz: " + (graphvizSaid.empty() ? std::string("no SVG renderer") : graphvizSaid);
        while (!why.empty() && why.back() == '\n')
            why.pop_back();
        return false;
    }
    std::ofstream out(svg, std::ios::binary | std::ios::trunc);
    out << image;
    out.close();
    if (!out) {
        why = "cannot be written";
        return false;
    }
    return true;
}

} // namespace check
