#include "scenario/record_builder.h"

#include <cstdio>
#include <limits>
#include <optional>

#include "platform/file.h"
#include "resources/string_table.h"
#include "scenario/flow_commands.h"
#include "scenario/html_commands.h"
#include "scenario/line_command.h"
#include "scenario/media_commands.h"
#include "scenario/object_commands.h"
#include "scenario/script_values.h"
#include "scenario/visual_object.h"

namespace korv {

namespace {

bool Flag(const std::string& argument, const char* keyword) { return argument == keyword; }

int32_t MoveSpeedPeriod(int32_t speed) {
    int64_t period = speed <= 10 ? int64_t{speed} * 10000 : int64_t{speed} * 100;
    if (period > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (period < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(period);
}

ColourBlock Colour(uint32_t colour, bool random) {
    ColourBlock block;
    block.colour = colour;
    block.randomColour = random ? 1 : 0;
    return block;
}

}  // namespace

int RecordCodeOfWord(const std::string& word) {
    static const std::pair<const char*, int> words[] = {
        {"IMAGE", CodeVisual}, {"TEXT", CodeVisual},      {"MEDIA", CodeMedia},   {"WAIT", CodeWait},
        {"CLS", CodeClear},    {"REPEAT", CodeRepeat},    {"UNTIL", CodeUntil},   {"LINE", CodeLine},
        {"URL", CodeUrl},      {"SHOW", CodeShow},        {"MOVE", CodeMove},     {"HIDE", CodeHide},
        {"PLAY", CodePlay},    {"STOP", CodeStop},        {"COMMENT", CodeComment}, {"SHOWHTML", CodeShowHtml},
        {"HIDEHTML", CodeHideHtml}};
    for (const auto& [keyword, code] : words)
        if (word == keyword) return code;
    return -1;
}

std::unique_ptr<SceneCommand> RecordBuilder::Build(const ScriptTokens& t) const {
    const std::string& word = t.GetToken(0);
    if (word == "IMAGE") return Image(t);
    if (word == "TEXT") return Text(t);
    if (word == "MEDIA") return Media(t);
    if (word == "WAIT") {
        auto wait = std::make_unique<WaitCommand>();
        wait->milliseconds = SecondsToMilliseconds(t.GetToken(2));
        wait->random = Flag(t.GetToken(1), "RND");
        return wait;
    }
    if (word == "CLS") {
        auto clear = std::make_unique<ClearCommand>();
        clear->colour = Colour(ParseColour(t.GetToken(2)), Flag(t.GetToken(1), "RND"));
        return clear;
    }
    if (word == "REPEAT") return std::make_unique<RepeatCommand>();
    if (word == "UNTIL") {
        auto until = std::make_unique<UntilCommand>();
        until->count = AtoiRule(t.GetToken(2));
        until->infinite = Flag(t.GetToken(1), "INF");
        return until;
    }
    if (word == "LINE") return Line(t);
    if (word == "URL") {
        auto url = std::make_unique<UrlCommand>();
        url->off = Flag(t.GetToken(3), "OFF");
        url->number = AtoiRule(t.GetToken(2));
        url->link = t.GetToken(1);
        return url;
    }
    if (word == "SHOW") return Object(CodeShow, t);
    if (word == "MOVE") return Object(CodeMove, t);
    if (word == "HIDE") return Object(CodeHide, t);
    if (word == "PLAY") return Play(t);
    if (word == "STOP") return std::make_unique<StopCommand>();
    if (word == "COMMENT") {
        auto comment = std::make_unique<CommentCommand>();
        comment->comment = t.GetToken(1);
        return comment;
    }
    if (word == "SHOWHTML") return ShowHtml(t);
    if (word == "HIDEHTML") {
        auto hide = std::make_unique<HideHtmlCommand>();
        hide->restore = Flag(t.GetToken(1), "ON");
        return hide;
    }
    return nullptr;
}

std::vector<uint8_t> RecordBuilder::Embed(const std::string& name) const {
    std::string fileName = UnescapeText(name);
    std::string path = request_.contentFolder + "/" + fileName;
    auto fail = [&]() -> std::vector<uint8_t> { throw EmbedFailure(path + LoadString(IDS_CANNOT_READ_DATA)); };
    // Only a file directly inside the content folder may be embedded.
    if (!IsPlainFileName(fileName)) return fail();
    std::optional<std::vector<uint8_t>> bytes =
        platform::ReadFileBytes(path, static_cast<size_t>(std::numeric_limits<int32_t>::max()));
    if (!bytes || bytes->empty()) return fail();
    return std::move(*bytes);
}

std::unique_ptr<SceneCommand> RecordBuilder::Image(const ScriptTokens& t) const {
    auto image = std::make_unique<VisualObject>();
    const std::string& mode = t.GetToken(4);
    image->mode = mode == "NRM" ? PictureEmbedded : mode == "DTP" ? PictureWallpaper : PictureDesktop;
    if (version_ == 360 || version_ == 400 || version_ == 450) image->extra = t.GetToken(5);
    if (version_ == 500) {
        image->width = AtoiRule(t.GetToken(5));
        image->height = AtoiRule(t.GetToken(6));
        image->fitScreen = Flag(t.GetToken(7), "ON");
        image->keepAspect = Flag(t.GetToken(8), "ON");
        image->extra = t.GetToken(9);
    }
    image->fileName = t.GetToken(2);
    image->data = Embed(t.GetToken(2));
    return image;
}

std::string RecordBuilder::TextFromSource(const std::string& itemId, const std::string& sourceName) const {
    const auto& sources = request_.textSources;
    for (size_t p = 0; p < sources.size(); ++p) {
        if (sources[p] != sourceName) continue;
        char file[32];
        std::snprintf(file, sizeof file, "TextFile%03zu.html", p);
        if (!request_.readTextItem) return " ";
        return request_.readTextItem(request_.contentFolder + "/" + file, itemId);
    }
    return " ";  // a source nobody downloaded holds no items
}

std::unique_ptr<SceneCommand> RecordBuilder::Text(const ScriptTokens& t) const {
    auto text = std::make_unique<VisualObject>();
    text->isText = 1;
    text->mode = PictureEmbedded;
    std::string raw = t.GetToken(2);
    if (version_ == 450) {
        text->extra = t.GetToken(11);
        raw = TextFromSource(t.GetToken(2), text->extra);
    } else if (version_ == 500) {
        text->align = AtoiRule(t.GetToken(11));
        text->extra = t.GetToken(12);
        raw = TextFromSource(t.GetToken(2), text->extra);
    }
    text->text = UnescapeText(raw);

    LogFont& font = text->font;
    font.SetFaceName(t.GetToken(3));
    const std::string& style = t.GetToken(4);
    font.weight = style == "BLD" || style == "BLI" ? 700 : 400;
    font.italic = style == "ITL" || style == "BLI" ? 1 : 0;
    font.height = AtoiRule(t.GetToken(5));
    const std::string& decoration = t.GetToken(6);
    font.underline = decoration == "UL" || decoration == "SU" ? 1 : 0;
    font.strikeOut = decoration == "SO" || decoration == "SU" ? 1 : 0;
    font.charSet = static_cast<uint8_t>(AtoiRule(t.GetToken(10)));

    text->textColour = ParseColour(t.GetToken(7));
    text->opaque = Flag(t.GetToken(8), "OPQ");
    text->backColour = ParseColour(t.GetToken(9));
    return text;
}

std::unique_ptr<SceneCommand> RecordBuilder::Media(const ScriptTokens& t) const {
    auto media = std::make_unique<CMedia>();
    media->fileName = t.GetToken(2);
    media->kind = MediaKindOfFile(media->fileName);
    media->data = Embed(t.GetToken(2));
    media->extra = t.GetToken(4);
    return media;
}

std::unique_ptr<SceneCommand> RecordBuilder::Object(int code, const ScriptTokens& t) const {
    std::unique_ptr<ObjectCommand> command;
    if (code == CodeShow) command = std::make_unique<ShowCommand>();
    if (code == CodeMove) command = std::make_unique<MoveCommand>();
    if (code == CodeHide) command = std::make_unique<HideCommand>();
    PlacementBlock& p = command->placement;
    command->colour = Colour(0, false);
    if (code == CodeShow) {
        p.anchorX1 = HorizontalAnchor(t.GetToken(2));
        p.anchorY1 = VerticalAnchor(t.GetToken(3));
        p.x1 = AtoiRule(t.GetToken(4));
        p.y1 = AtoiRule(t.GetToken(5));
        p.SetDirectionFromPoints();
        p.effect = AtoiRule(t.GetToken(6));
        p.effectSpeed = AtoiRule(t.GetToken(7));
        p.saveUnder = Flag(t.GetToken(8), "ON");
        p.keepBackground = 1;
        if (version_ >= 400) {
            p.label = Flag(t.GetToken(9), "LBL");
            p.labelPeriod = AtoiRule(t.GetToken(10));
        } else {
            p.labelPeriod = 200;
        }
    } else if (code == CodeMove) {
        p.anchorX1 = HorizontalAnchor(t.GetToken(2));
        p.anchorY1 = VerticalAnchor(t.GetToken(3));
        p.anchorX2 = HorizontalAnchor(t.GetToken(4));
        p.anchorY2 = VerticalAnchor(t.GetToken(5));
        p.x1 = AtoiRule(t.GetToken(6));
        p.y1 = AtoiRule(t.GetToken(7));
        p.x2 = AtoiRule(t.GetToken(8));
        p.y2 = AtoiRule(t.GetToken(9));
        p.alongX = Flag(t.GetToken(10), "X");
        p.stepX = AtoiRule(t.GetToken(11));
        p.stepY = 1;
        p.speedPeriod = MoveSpeedPeriod(AtoiRule(t.GetToken(12)));
        p.keepBackground = Flag(t.GetToken(13), "ON");
        p.saveUnder = Flag(t.GetToken(14), "ON");
    } else {
        p.keepBackground = 1;
        p.saveUnder = 1;
    }
    return command;
}

std::unique_ptr<SceneCommand> RecordBuilder::Line(const ScriptTokens& t) const {
    auto line = std::make_unique<LineCommand>();
    line->penWidth = AtoiRule(t.GetToken(1));
    line->penStyle = AtoiRule(t.GetToken(2));
    PlacementBlock& p = line->placement;
    auto anchor = [&](size_t n) { return Flag(t.GetToken(n), "RND") ? AnchorRandom : AnchorExplicit; };
    p.anchorX1 = anchor(3);
    p.anchorY1 = anchor(4);
    p.anchorX2 = anchor(5);
    p.anchorY2 = anchor(6);
    p.x1 = AtoiRule(t.GetToken(7));
    p.y1 = AtoiRule(t.GetToken(8));
    p.x2 = AtoiRule(t.GetToken(9));
    p.y2 = AtoiRule(t.GetToken(10));
    p.SetDirectionFromPoints();
    p.keepBackground = 1;
    p.saveUnder = 1;
    line->colour = Colour(ParseColour(t.GetToken(12)), Flag(t.GetToken(11), "RND"));
    return line;
}

std::unique_ptr<SceneCommand> RecordBuilder::Play(const ScriptTokens& t) const {
    auto play = std::make_unique<PlayCommand>();
    play->loop = Flag(t.GetToken(2), "ON");
    play->wait = Flag(t.GetToken(3), "ON");
    play->infinite = Flag(t.GetToken(4), "INF");
    play->count = AtoiRule(t.GetToken(5));
    if (version_ >= 450) {
        play->width = AtoiRule(t.GetToken(6));
        play->height = AtoiRule(t.GetToken(7));
        play->fullScreen = Flag(t.GetToken(8), "ON");
        if (!play->fullScreen) {
            play->centreX = Flag(t.GetToken(9), "CTR") ? 1 : 5;
            play->centreY = Flag(t.GetToken(10), "CTR") ? 1 : 5;
            play->x = AtoiRule(t.GetToken(11));
            play->y = AtoiRule(t.GetToken(12));
        }
    }
    if (version_ > 450) {
        play->frame = AtoiRule(t.GetToken(13));
        play->hasFrame = play->frame != -1;
    }
    return play;
}

std::unique_ptr<SceneCommand> RecordBuilder::ShowHtml(const ScriptTokens& t) const {
    auto html = std::make_unique<ShowHtmlCommand>();
    PlacementBlock& p = html->placement;
    p = PlacementBlock{};
    p.anchorX1 = HorizontalAnchor(t.GetToken(1));
    p.anchorY1 = VerticalAnchor(t.GetToken(2));
    p.x1 = AtoiRule(t.GetToken(3));
    p.y1 = AtoiRule(t.GetToken(4));
    p.x2 = AtoiRule(t.GetToken(5));
    p.y2 = AtoiRule(t.GetToken(6));
    p.SetDirectionFromPoints();
    p.keepBackground = 1;
    // The view has no label, effect or save-under of its own.
    p.labelPeriod = 0;
    p.effectSpeed = 0;
    html->fullScreen = Flag(t.GetToken(7), "ON");
    html->isAddress = Flag(t.GetToken(8), "ON") ? 0 : 1;
    html->source = t.GetToken(9);
    if (html->isAddress == 0) html->data = Embed(html->source);
    return html;
}

}  // namespace korv
