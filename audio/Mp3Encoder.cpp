#include "audio/Mp3Encoder.h"

#include "base/Log.h"

#include <lame/lame.h>

#include <cerrno>
#include <cstring>

namespace vy {

CMp3Encoder::~CMp3Encoder()
{
    std::string ignored;
    Close(ignored);
}

bool CMp3Encoder::Open(const std::string& path, uint32_t sampleRate, uint32_t channels, uint32_t kbps,
                       std::string& error)
{
    Close(error);
    if (channels < 1 || channels > 2) {
        error = "MP3 output takes 1 or 2 channels";
        return false;
    }
    m_lame = lame_init();
    if (!m_lame) {
        error = "cannot start the MP3 encoder";
        return false;
    }
    lame_set_in_samplerate(m_lame, static_cast<int>(sampleRate));
    lame_set_out_samplerate(m_lame, static_cast<int>(sampleRate));
    lame_set_num_channels(m_lame, static_cast<int>(channels));
    lame_set_mode(m_lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(m_lame, static_cast<int>(kbps));
    lame_set_VBR(m_lame, vbr_off);
    lame_set_quality(m_lame, 5);
    lame_set_bWriteVbrTag(m_lame, 1);
    lame_set_write_id3tag_automatic(m_lame, 0);
    if (lame_init_params(m_lame) < 0) {
        lame_close(m_lame);
        m_lame = nullptr;
        error = "the MP3 encoder refuses " + std::to_string(sampleRate) + " Hz at " + std::to_string(kbps) + " kbps";
        return false;
    }
    m_file = std::fopen(path.c_str(), "w+b");
    if (!m_file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        lame_close(m_lame);
        m_lame = nullptr;
        return false;
    }
    m_path = path;
    m_channels = channels;
    m_frames = 0;
    return true;
}

bool CMp3Encoder::WriteOut(const unsigned char* bytes, size_t length, std::string& error)
{
    if (length > 0 && std::fwrite(bytes, 1, length, m_file) != length) {
        error = "cannot write " + m_path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool CMp3Encoder::Encode(const int16_t* samples, size_t frames, std::string& error)
{
    if (!m_lame || !m_file) {
        error = "no MP3 output is open";
        return false;
    }
    if (frames == 0)
        return true;
    // LAME's worst case: 1.25 x samples + 7200 bytes.
    m_out.resize(frames * 5 / 4 + 7200);
    int written = m_channels == 2
                      ? lame_encode_buffer_interleaved(m_lame, const_cast<short*>(samples), static_cast<int>(frames),
                                                       m_out.data(), static_cast<int>(m_out.size()))
                      : lame_encode_buffer(m_lame, samples, samples, static_cast<int>(frames), m_out.data(),
                                           static_cast<int>(m_out.size()));
    if (written < 0) {
        error = "the MP3 encoder failed (" + std::to_string(written) + ")";
        return false;
    }
    m_frames += frames;
    return WriteOut(m_out.data(), static_cast<size_t>(written), error);
}

bool CMp3Encoder::Close(std::string& error)
{
    if (!m_lame && !m_file)
        return true;
    bool ok = true;
    if (m_lame && m_file) {
        unsigned char tail[7200];
        int written = lame_encode_flush(m_lame, tail, sizeof tail);
        if (written < 0) {
            error = "the MP3 encoder failed to finish (" + std::to_string(written) + ")";
            ok = false;
        } else {
            ok = WriteOut(tail, static_cast<size_t>(written), error);
        }
        // The tag frame at the start now gets the real length.
        unsigned char tag[2880];
        size_t tagSize = lame_get_lametag_frame(m_lame, tag, sizeof tag);
        if (ok && tagSize > 0 && tagSize <= sizeof tag) {
            if (std::fseek(m_file, 0, SEEK_SET) != 0 || std::fwrite(tag, 1, tagSize, m_file) != tagSize) {
                error = "cannot write " + m_path + ": " + std::strerror(errno);
                ok = false;
            }
        }
    }
    if (m_file && std::fclose(m_file) != 0 && ok) {
        error = "cannot write " + m_path + ": " + std::strerror(errno);
        ok = false;
    }
    m_file = nullptr;
    if (m_lame)
        lame_close(m_lame);
    m_lame = nullptr;
    if (!ok)
        VY_LOG("%s", error.c_str());
    return ok;
}

}  // namespace vy
