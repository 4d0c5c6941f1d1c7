#include "crypto/ciphers/sapphire.h"

#include <utility>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_Sapphire::Class = {"TCipher_Sapphire", {32, 1024, 522}, &MakeCipher<TCipher_Sapphire>, nullptr};

namespace {

// The key-driven draw of the card shuffle: a value in 0..limit from the
// running sum of key bytes. Unlike the published Sapphire II, the sum takes
// in only key bytes, never the card at the running sum; keys made that way
// must keep giving the same cards.
class KeyDraw {
public:
    KeyDraw(const uint8_t* key, int32_t size) : key_(key), size_(size) {}

    uint8_t Next(unsigned limit) {
        unsigned mask = 1;
        while (mask < limit) mask = mask << 1 | 1;
        unsigned value, attempts = 0;
        do {
            sum_ = static_cast<uint8_t>(sum_ + key_[position_]);
            if (++position_ == size_) {
                position_ = 0;
                // So that a key and the same key repeated give different cards.
                sum_ = static_cast<uint8_t>(sum_ + size_);
            }
            value = mask & sum_;
            // A bounded number of tries, then a value in range by force.
            if (++attempts > 11) value %= limit;
        } while (value > limit);
        return static_cast<uint8_t>(value);
    }

    uint8_t Sum() const { return sum_; }

private:
    const uint8_t* key_;
    int32_t size_;
    int32_t position_ = 0;
    uint8_t sum_ = 0;
};

}  // namespace

// The state lives in locals through a whole run; the cards are updated in
// place. Both directions draw the same key byte; they differ only in which
// of input and output is the plain byte that feeds the next step.
template <bool Deciphering>
void TCipher_Sapphire::Code(uint8_t* data, int32_t size) {
    State& st = UserDataAs<Schedule>().live;
    uint8_t* cards = st.cards;
    uint8_t rotor = st.rotor, ratchet = st.ratchet, avalanche = st.avalanche;
    uint8_t lastPlain = st.lastPlain, lastCipher = st.lastCipher;
    for (int32_t n = 0; n < size; ++n) {
        ratchet = static_cast<uint8_t>(ratchet + cards[rotor]);
        rotor = static_cast<uint8_t>(rotor + 1);
        const uint8_t swap = cards[lastCipher];
        cards[lastCipher] = cards[ratchet];
        cards[ratchet] = cards[lastPlain];
        cards[lastPlain] = cards[rotor];
        cards[rotor] = swap;
        avalanche = static_cast<uint8_t>(avalanche + cards[swap]);
        const uint8_t key = cards[static_cast<uint8_t>(cards[ratchet] + cards[rotor])] ^
                            cards[cards[static_cast<uint8_t>(cards[lastPlain] + cards[lastCipher] + cards[avalanche])]];
        const uint8_t in = data[n];
        data[n] = in ^ key;
        lastPlain = Deciphering ? data[n] : in;
        lastCipher = Deciphering ? in : data[n];
    }
    st.rotor = rotor;
    st.ratchet = ratchet;
    st.avalanche = avalanche;
    st.lastPlain = lastPlain;
    st.lastCipher = lastCipher;
}

void TCipher_Sapphire::Encipher(uint8_t* data, int32_t size) { Code<false>(data, size); }
void TCipher_Sapphire::Decipher(uint8_t* data, int32_t size) { Code<true>(data, size); }

void TCipher_Sapphire::EncipherBlock(uint8_t* block) { Encipher(block, 32); }
void TCipher_Sapphire::DecipherBlock(uint8_t* block) { Decipher(block, 32); }
// The state runs through consecutive blocks in order, so a batch is one stretch of bytes.
void TCipher_Sapphire::DecipherBlocks(uint8_t* blocks, int32_t count) { Decipher(blocks, count * 32); }

void TCipher_Sapphire::KeySchedule(const uint8_t* key, int32_t size) {
    Schedule& k = UserDataAs<Schedule>();
    State& st = k.live;
    if (size == 0) {
        // The fixed starting state Sapphire II hashes from.
        st.rotor = 1;
        st.ratchet = 3;
        st.avalanche = 5;
        st.lastPlain = 7;
        st.lastCipher = 11;
        for (int i = 0; i < 256; ++i) st.cards[i] = static_cast<uint8_t>(255 - i);
    } else {
        for (int i = 0; i < 256; ++i) st.cards[i] = static_cast<uint8_t>(i);
        KeyDraw draw(key, size);
        for (unsigned i = 255; i >= 1; --i) std::swap(st.cards[i], st.cards[draw.Next(i)]);
        st.rotor = st.cards[1];
        st.ratchet = st.cards[3];
        st.avalanche = st.cards[5];
        st.lastPlain = st.cards[7];
        st.lastCipher = st.cards[draw.Sum()];
    }
}

// The vector is made by enciphering, so the saved state is the one after it.
void TCipher_Sapphire::VectorLoaded() {
    Schedule& k = UserDataAs<Schedule>();
    k.saved = k.live;
}

void TCipher_Sapphire::RewindFeedback() {
    TCipher::RewindFeedback();
    Schedule& k = UserDataAs<Schedule>();
    k.live = k.saved;
}

}  // namespace quellmark
