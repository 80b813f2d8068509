# SPDX-License-Identifier: BSD-3-Clause
"""The veltrane package against the golden vectors and veltrane-cli, and on hostile input."""

import os
import subprocess
import wave

import numpy as np
import pytest

import veltrane

GOLDEN = os.environ.get("VELTRANE_GOLDEN_DIR", "")
CLI = os.environ.get("VELTRANE_CLI", "veltrane-cli")
SPEECH = os.path.join(GOLDEN, "speech_en")


def wav_samples(path):
    """The samples of a mono PCM WAV file as the encoder takes them (8-bit b as (b - 128) * 256)."""
    with wave.open(path, "rb") as file:
        assert file.getnchannels() == 1 and file.getsampwidth() in (1, 2)
        data = file.readframes(file.getnframes())
        if file.getsampwidth() == 1:
            return ((np.frombuffer(data, dtype=np.uint8).astype(np.int32) - 128) * 256).astype(np.int16)
        return np.frombuffer(data, dtype="<i2").astype(np.int16)


GOLDEN_VECTORS = sorted(name[:-4] for name in os.listdir(GOLDEN) if name.endswith(".wav")) if GOLDEN else []


@pytest.fixture(scope="module")
def speech():
    return wav_samples(SPEECH + ".wav")


# --- encode and decode: the bytes and samples of the command line ---


@pytest.mark.parametrize("name", GOLDEN_VECTORS)
def test_encode_gives_the_golden_bytes(name):
    base = os.path.join(GOLDEN, name)
    with open(base + ".wrm", "rb") as file:
        assert veltrane.encode(wav_samples(base + ".wav")) == file.read()


def test_float_input_is_rounded_as_convert_rounds(speech):
    assert veltrane.encode(speech.astype(np.float32) / 32768.0) == veltrane.encode(speech)
    loud = np.array([2.0, -2.0, 0.5, np.nan, np.inf, -np.inf] * 40, dtype=np.float64)
    expected = np.array([32767, -32768, 16384, 0, 32767, -32768] * 40, dtype=np.int16)
    assert veltrane.encode(loud) == veltrane.encode(expected)


def test_decode_gives_the_samples_of_the_command_line(tmp_path):
    out = tmp_path / "speech.wav"
    subprocess.run([CLI, "decode", "-q", SPEECH + ".wrm", "-o", str(out)], check=True)
    with open(SPEECH + ".wrm", "rb") as file:
        data = file.read()
    samples = veltrane.decode(data)
    assert samples.dtype == np.int16
    np.testing.assert_array_equal(samples, wav_samples(str(out)))
    as_float = veltrane.decode(data, dtype=np.float32)
    assert as_float.dtype == np.float32
    np.testing.assert_array_equal(as_float, (samples / 32768.0).astype(np.float32))
    with pytest.warns(UserWarning, match="last 7 bytes"):
        torn = veltrane.decode(data[:-23])
    np.testing.assert_array_equal(torn, samples[:-240])


def test_read_write_and_check(tmp_path, speech):
    target = tmp_path / "speech.wrm"
    veltrane.write(target, speech)
    with open(SPEECH + ".wrm", "rb") as file:
        assert target.read_bytes() == file.read()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["speech.wrm"]
    samples, rate = veltrane.read(target)
    assert rate == 16000
    np.testing.assert_array_equal(samples, veltrane.decode(target.read_bytes()))
    assert veltrane.check(SPEECH + ".wav") == (True, "")
    (tmp_path / "notes.wav").write_bytes(b"hello")
    assert veltrane.check(tmp_path / "notes.wav") == (False, "It is not WAV format!!!")
    with pytest.raises(OSError):
        veltrane.read(tmp_path / "missing.wrm")


def test_read_takes_what_libsndfile_reads_as_soundfile_does(tmp_path, speech):
    flac = tmp_path / "stereo.flac"
    subprocess.run(["sox", SPEECH + ".wav", "-c", "2", str(flac)], check=True)
    samples, rate = veltrane.read(flac)
    assert rate == 16000 and samples.shape == (len(speech), 2) and samples.dtype == np.float64
    np.testing.assert_array_equal(samples[:, 1], speech / 32768.0)
    mono, _ = veltrane.read(SPEECH + ".wav", dtype=np.int16)
    np.testing.assert_array_equal(mono, speech)
    (tmp_path / "notes.txt").write_bytes(b"hello")
    with pytest.raises(ValueError, match="libsndfile"):
        veltrane.read(tmp_path / "notes.txt")
    with pytest.raises(OSError):
        veltrane.read(tmp_path / "missing.flac")


# --- roundtrip: aligned, of the input's length, for any rate and channels ---


def lag_of_peak(reference, signal, span=400):
    """The lag of the cross-correlation's peak within +-span samples."""
    reference = reference.astype(np.float64)
    signal = signal.astype(np.float64)
    lags = range(-span, span + 1)
    scores = [np.dot(reference[span:-span], signal[span + lag : len(signal) - span + lag]) for lag in lags]
    return lags[int(np.argmax(scores))]


@pytest.mark.parametrize("rate", [8000, 16000, 44100, 48000])
@pytest.mark.parametrize("channels", [1, 2])
def test_roundtrip_is_aligned_and_of_the_inputs_length(speech, rate, channels):
    signal = veltrane._veltrane.resample(speech / 32768.0, 16000, rate) if rate != 16000 else speech / 32768.0
    signal = signal[: len(signal) - 77]  # not a whole number of frames at any rate
    if channels == 2:
        signal = np.stack([signal, -0.5 * signal], axis=1)
    out = veltrane.roundtrip(signal.astype(np.float32), rate)
    assert out.shape == signal.shape and out.dtype == np.float32
    first = out if channels == 1 else out[:, 0]
    reference = signal if channels == 1 else signal[:, 0]
    assert lag_of_peak(reference, first) == 0
    # The end is there too: the last 30 ms were not dropped.
    assert np.sqrt(np.mean(first[-480:] ** 2)) > 0.1 * np.sqrt(np.mean(reference[-480:] ** 2))
    if channels == 2:
        assert lag_of_peak(signal[:, 1], out[:, 1]) == 0


def test_roundtrip_at_16k_equals_decode_of_encode(speech):
    out = veltrane.roundtrip(speech, 16000)
    assert out.dtype == np.int16 and out.shape == speech.shape
    whole = len(speech) // 240 * 240
    decoded = veltrane.decode(veltrane.encode(speech))
    np.testing.assert_array_equal(out[: len(decoded)], decoded)
    assert len(decoded) == whole - 480


# --- streams and many at once ---


def test_streams_in_random_chunks_give_the_one_shot_result(speech):
    rng = np.random.default_rng(7)
    encoder = veltrane.Encoder()
    frames, at = b"", 0
    while at < len(speech):
        step = int(rng.integers(0, 700))
        frames += encoder.encode(speech[at : at + step])
        at += step
    assert frames == veltrane.encode(speech)
    tail = encoder.flush()
    assert len(tail) == (30 if len(speech) % 240 else 0)
    decoder = veltrane.Decoder()
    pieces, at = [], 0
    while at < len(frames):
        step = int(rng.integers(0, 100))
        pieces.append(decoder.decode(frames[at : at + step]))
        at += step
    np.testing.assert_array_equal(np.concatenate(pieces), veltrane.decode(frames))


def test_a_lost_frame_is_concealed_and_the_stream_goes_on(speech):
    with open(SPEECH + ".wrm", "rb") as file:
        frames = file.read()
    intact = veltrane.decode(frames)
    lost = 200  # a frame in the middle of speech
    decoder = veltrane.Decoder()
    before = decoder.decode(frames[: lost * 30])
    concealed = decoder.decode_lost()
    after = decoder.decode(frames[(lost + 1) * 30 :])
    assert len(before) + len(concealed) + len(after) == len(intact)
    np.testing.assert_array_equal(before, intact[: len(before)])
    assert np.any(concealed != 0)
    assert len(veltrane.Decoder().decode_lost()) == 0  # a start-up frame gives no samples


def test_encode_many_equals_one_at_a_time(speech):
    # More recordings than a thread's lanes, of different lengths, with frameless ones among
    # them: each thread's share runs in the lanes of one batch encoder.
    rng = np.random.default_rng(3)
    recordings = [speech[int(rng.integers(0, 50000)) :] for _ in range(19)]
    recordings += [speech[:0], speech[:239], speech[:481]]
    alone = [veltrane.encode(r) for r in recordings]
    for threads in (1, 4):
        assert veltrane.encode_many(recordings, threads=threads) == alone
    assert veltrane.encode_many([]) == []


# --- hostile input raises, never crashes ---


@pytest.mark.parametrize(
    "samples, error",
    [
        (np.zeros(480, dtype=np.int32), TypeError),
        (np.zeros(480, dtype=np.complex64), TypeError),
        (np.array(["a"] * 480), TypeError),
        (np.array([object()] * 480), TypeError),
        (np.zeros((480, 2), dtype=np.int16), ValueError),
        (np.int16(5), ValueError),
    ],
)
def test_wrong_arrays_raise(samples, error):
    with pytest.raises(error):
        veltrane.encode(samples)
    with pytest.raises(error):
        veltrane.Encoder().encode(samples)


def test_odd_but_valid_arrays_are_taken(speech):
    assert veltrane.encode(np.zeros(0, dtype=np.int16)) == b""
    strided = np.repeat(speech[:4800], 1000)[::1000]  # a view with a stride of 2000 bytes
    assert veltrane.encode(strided) == veltrane.encode(np.ascontiguousarray(speech[:4800]))
    backwards = speech[:4800][::-1]
    assert veltrane.encode(backwards) == veltrane.encode(backwards.copy())
    assert len(veltrane.roundtrip(np.zeros(0, dtype=np.float64), 44100)) == 0


def test_wrong_rates_data_and_shapes_raise():
    with pytest.raises(ValueError, match="sample rate"):
        veltrane.roundtrip(np.zeros(100), 999)
    with pytest.raises(ValueError, match="sample rate"):
        veltrane.roundtrip(np.zeros(100), 10**9)
    with pytest.raises(TypeError):
        veltrane.roundtrip(np.zeros(100), 44100.5)
    with pytest.raises(ValueError):
        veltrane.roundtrip(np.zeros((2, 2, 2)), 16000)
    with pytest.raises(TypeError):
        veltrane.decode("not bytes")
    with pytest.raises(TypeError):
        veltrane.decode(b"", dtype=np.int32)
    with pytest.raises(ValueError):
        veltrane.encode_many([np.zeros(240, dtype=np.int16)], threads=0)
