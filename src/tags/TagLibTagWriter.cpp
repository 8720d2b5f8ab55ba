#include "TagLibTagWriter.h"

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <cctype>
#include <optional>

namespace wavomer {

namespace {

using TagLib::String;

String text(const std::string& value) { return String(value, String::UTF8); }

TagLib::ByteVector bytes(const std::vector<uint8_t>& data) {
    return TagLib::ByteVector(reinterpret_cast<const char*>(data.data()), static_cast<unsigned int>(data.size()));
}

// "n" or "n/total"; nothing when n is not set.
std::optional<std::string> numberOfTotal(uint32_t number, uint32_t total) {
    if (number == 0) return std::nullopt;
    return total ? std::to_string(number) + "/" + std::to_string(total) : std::to_string(number);
}

std::optional<std::string> numberText(uint32_t number) {
    if (number == 0) return std::nullopt;
    return std::to_string(number);
}

std::string lowercase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// --- ID3v2 (MP3, MP2, WAV, AIFF) -------------------------------------------------------

void setTextFrame(TagLib::ID3v2::Tag& tag, const char* id, const std::optional<std::string>& value) {
    if (!value) return;
    tag.removeFrames(id);
    if (value->empty()) return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, String::UTF8);
    frame->setText(text(*value));
    tag.addFrame(frame);
}

void fillId3v2(TagLib::ID3v2::Tag& tag, const ID3TagInfo& info) {
    // The total travels in the track frame ("3/12"), so it is set with the track below.
    if (info.title) tag.setTitle(text(*info.title));
    if (info.artist) tag.setArtist(text(*info.artist));
    if (info.album) tag.setAlbum(text(*info.album));
    if (info.genre) tag.setGenre(text(*info.genre));
    setTextFrame(tag, "TDRC", numberText(info.year));
    setTextFrame(tag, "TRCK", numberOfTotal(info.track, info.totalTrack));
    if (info.comment) tag.setComment(text(*info.comment));
    if (info.image) {
        tag.removeFrames("APIC");
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame();
        picture->setMimeType("image/png");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(bytes(*info.image));
        tag.addFrame(picture);
    }
    setTextFrame(tag, "TCOM", info.composer);
    setTextFrame(tag, "TIT1", info.group);
    setTextFrame(tag, "TPOS", numberOfTotal(info.disc, info.totalDisc));
    setTextFrame(tag, "TBPM", numberText(info.bpm));
}

// --- RIFF INFO (WAV, besides its ID3 chunk) ---------------------------------------------

void setInfoField(TagLib::RIFF::Info::Tag& tag, const char* id, const std::optional<std::string>& value) {
    if (!value) return;
    if (value->empty()) tag.removeField(id);
    else tag.setFieldText(id, text(*value));
}

// The fields readers that ignore the ID3 chunk look for: INAM title, IART artist, IPRD
// album, IGNR genre, ICMT comment, ICRD year, ITRK track.
void fillInfo(TagLib::RIFF::Info::Tag& tag, const ID3TagInfo& info) {
    setInfoField(tag, "INAM", info.title);
    setInfoField(tag, "IART", info.artist);
    setInfoField(tag, "IPRD", info.album);
    setInfoField(tag, "IGNR", info.genre);
    setInfoField(tag, "ICMT", info.comment);
    setInfoField(tag, "ICRD", numberText(info.year));
    setInfoField(tag, "ITRK", numberText(info.track));
}

// --- MP4 atoms ------------------------------------------------------------------------

void fillMp4(TagLib::MP4::Tag& tag, const ID3TagInfo& info) {
    if (info.title) tag.setTitle(text(*info.title));
    if (info.artist) tag.setArtist(text(*info.artist));
    if (info.album) tag.setAlbum(text(*info.album));
    if (info.genre) tag.setGenre(text(*info.genre));
    if (info.year) tag.setYear(info.year);
    // The pair atom holds "not set" as 0 itself.
    if (info.track || info.totalTrack)
        tag.setItem("trkn", TagLib::MP4::Item(static_cast<int>(info.track), static_cast<int>(info.totalTrack)));
    if (info.comment) tag.setComment(text(*info.comment));
    if (info.image) {
        TagLib::MP4::CoverArtList covers;
        covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::PNG, bytes(*info.image)));
        tag.setItem("covr", TagLib::MP4::Item(covers));
    }
    if (info.composer) tag.setItem("\251wrt", TagLib::MP4::Item(TagLib::StringList(text(*info.composer))));
    if (info.group) tag.setItem("\251grp", TagLib::MP4::Item(TagLib::StringList(text(*info.group))));
    if (info.disc || info.totalDisc)
        tag.setItem("disk", TagLib::MP4::Item(static_cast<int>(info.disc), static_cast<int>(info.totalDisc)));
    if (info.bpm) tag.setItem("tmpo", TagLib::MP4::Item(static_cast<int>(info.bpm)));
}

// --- Xiph comments (FLAC, Vorbis, Opus) ------------------------------------------------

void setField(TagLib::Ogg::XiphComment& tag, const char* key, const std::optional<std::string>& value) {
    if (!value) return;
    tag.removeFields(key);
    if (!value->empty()) tag.addField(key, text(*value));
}

TagLib::FLAC::Picture* flacPicture(const std::vector<uint8_t>& png) {
    auto* picture = new TagLib::FLAC::Picture();
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType("image/png");
    picture->setData(bytes(png));
    return picture;
}

// The picture goes into the comment for Ogg files; a FLAC file keeps it in its own block.
void fillXiph(TagLib::Ogg::XiphComment& tag, const ID3TagInfo& info, bool pictureInComment) {
    setField(tag, "TRACKTOTAL", numberText(info.totalTrack));
    setField(tag, "TITLE", info.title);
    setField(tag, "ARTIST", info.artist);
    setField(tag, "ALBUM", info.album);
    setField(tag, "GENRE", info.genre);
    setField(tag, "DATE", numberText(info.year));
    setField(tag, "TRACKNUMBER", numberText(info.track));
    setField(tag, "COMMENT", info.comment);
    if (info.image && pictureInComment) {
        tag.removeAllPictures();
        tag.addPicture(flacPicture(*info.image));
    }
    setField(tag, "COMPOSER", info.composer);
    setField(tag, "GROUPING", info.group);
    setField(tag, "DISCNUMBER", numberText(info.disc));
    setField(tag, "DISCTOTAL", numberText(info.totalDisc));
    setField(tag, "BPM", numberText(info.bpm));
}

// --- ASF (WMA) ---------------------------------------------------------------------------

void setAttribute(TagLib::ASF::Tag& tag, const char* name, const std::optional<std::string>& value) {
    if (!value) return;
    tag.removeItem(name);
    if (!value->empty()) tag.setAttribute(name, TagLib::ASF::Attribute(text(*value)));
}

void fillAsf(TagLib::ASF::Tag& tag, const ID3TagInfo& info) {
    setAttribute(tag, "TotalTracks", numberText(info.totalTrack));
    if (info.title) tag.setTitle(text(*info.title));
    if (info.artist) tag.setArtist(text(*info.artist));
    if (info.album) tag.setAlbum(text(*info.album));
    if (info.genre) tag.setGenre(text(*info.genre));
    setAttribute(tag, "WM/Year", numberText(info.year));
    setAttribute(tag, "WM/TrackNumber", numberText(info.track));
    if (info.comment) tag.setComment(text(*info.comment));
    if (info.image) {
        TagLib::ASF::Picture picture;
        picture.setMimeType("image/png");
        picture.setType(TagLib::ASF::Picture::FrontCover);
        picture.setPicture(bytes(*info.image));
        tag.removeItem("WM/Picture");
        tag.setAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
    }
    setAttribute(tag, "WM/Composer", info.composer);
    setAttribute(tag, "WM/ContentGroupDescription", info.group);
    setAttribute(tag, "WM/PartOfSet", numberOfTotal(info.disc, info.totalDisc));
    setAttribute(tag, "WM/BeatsPerMinute", numberText(info.bpm));
}

Failure failure(const std::string& path, const std::string& reason) { return Failure::at(path, reason); }

template <typename File>
Outcome<Tagging> saveOrFail(File& file, const std::string& path) {
    if (!file.save()) return failure(path, "the tags could not be saved");
    return Tagging::written;
}

}  // namespace

Outcome<Tagging> TagLibTagWriter::setId3InfoToOutputPath(const std::string& path, const ID3TagInfo& tags,
                                                       const std::string& extension) {
    const std::string ext = lowercase(extension);
    const char* name = path.c_str();
    if (ext == "mp3" || ext == "mp2") {
        TagLib::MPEG::File file(name, false);
        if (!file.isValid()) return failure(path, "not a readable MPEG audio file");
        fillId3v2(*file.ID3v2Tag(true), tags);
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers)) return failure(path, "the tags could not be saved");
        return Tagging::written;
    }
    if (ext == "wav") {
        TagLib::RIFF::WAV::File file(name, false);
        if (!file.isValid()) return failure(path, "not a readable WAV file");
        fillId3v2(*file.ID3v2Tag(), tags);
        fillInfo(*file.InfoTag(), tags);
        if (!file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers))
            return failure(path, "the tags could not be saved");
        return Tagging::written;
    }
    if (ext == "aiff" || ext == "aif") {
        TagLib::RIFF::AIFF::File file(name, false);
        if (!file.isValid()) return failure(path, "not a readable AIFF file");
        fillId3v2(*file.tag(), tags);
        return saveOrFail(file, path);
    }
    if (ext == "m4a" || ext == "m4b" || ext == "m4r" || ext == "mp4") {
        TagLib::MP4::File file(name, false);
        if (!file.isValid() || !file.tag()) return failure(path, "not a readable MPEG-4 file");
        fillMp4(*file.tag(), tags);
        return saveOrFail(file, path);
    }
    if (ext == "flac") {
        TagLib::FLAC::File file(name, false);
        if (!file.isValid()) return failure(path, "not a readable FLAC file");
        fillXiph(*file.xiphComment(true), tags, false);
        if (tags.image) {
            file.removePictures();
            file.addPicture(flacPicture(*tags.image));
        }
        return saveOrFail(file, path);
    }
    if (ext == "ogg" || ext == "oga") {
        TagLib::Ogg::Vorbis::File file(name, false);
        if (!file.isValid() || !file.tag()) return failure(path, "not a readable Ogg Vorbis file");
        fillXiph(*file.tag(), tags, true);
        return saveOrFail(file, path);
    }
    if (ext == "opus") {
        TagLib::Ogg::Opus::File file(name, false);
        if (!file.isValid() || !file.tag()) return failure(path, "not a readable Opus file");
        fillXiph(*file.tag(), tags, true);
        return saveOrFail(file, path);
    }
    if (ext == "wma" || ext == "asf") {
        TagLib::ASF::File file(name, false);
        if (!file.isValid() || !file.tag()) return failure(path, "not a readable WMA file");
        fillAsf(*file.tag(), tags);
        return saveOrFail(file, path);
    }
    return Tagging::unsupported;
}

}  // namespace wavomer
