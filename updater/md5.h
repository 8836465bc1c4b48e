#ifndef ZR_MD5_H
#define ZR_MD5_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace ZR {

// The MD5 message digest (RFC 1321), fed block by block.
class Md5
{
public:
    Md5();
    void update(const void *data, size_t size);
    // Ends the message; the object is spent afterwards.
    void finish(uint8_t digest[16]);
    // Lower-case hexadecimal, two digits a byte.
    static std::string toHex(const uint8_t *bytes, size_t count);

private:
    void transform(const uint8_t block[64]);

    uint32_t m_state[4];
    uint64_t m_length = 0; // in bytes
    uint8_t m_buffer[64];
};

} // namespace ZR

#endif // ZR_MD5_H
