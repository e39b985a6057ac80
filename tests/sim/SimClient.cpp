// A host linked against the real hidapi import library, as Tovrin is: run beside the
// stand-in hidapi.dll it must drive the simulated displays unchanged. It opens every
// 0x1A2C/0x4284 interface with usage page 0xFF01 and usage 1, sends each the frame
// 07 FF FF h t u (digits from the command line), asks the first for its firmware version
// and prints what it found.
#include <hidapi/hidapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: simclient H T U\n");
        return 2;
    }
    if (hid_init() != 0) return 1;
    int displays = 0;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* info = list; info; info = info->next) {
        if (info->vendor_id != 0x1A2C || info->product_id != 0x4284) continue;
        hid_device* device = hid_open_path(info->path);
        if (!device) continue;
        if (info->usage_page != 0xFF01 || info->usage != 1) {
            hid_close(device);
            continue;
        }
        wchar_t product[512] = {};
        hid_get_product_string(device, product, 512);
        unsigned char frame[65] = {0x07, 0xFF, 0xFF};
        for (int i = 0; i < 3; ++i) frame[3 + i] = static_cast<unsigned char>(std::atoi(argv[1 + i]));
        int sent = hid_send_feature_report(device, frame, sizeof frame);
        std::printf("display %s product=%ls release=0x%04x sent=%d\n", info->path, product, info->release_number, sent);
        if (displays++ == 0) {
            unsigned char query[64] = {0x07, 0xFD};
            unsigned char reply[64];
            std::memcpy(reply, query, sizeof reply);
            if (hid_send_feature_report(device, query, sizeof query) > 0 &&
                hid_get_feature_report(device, reply, sizeof reply) > 0 && reply[0] == 0x07)
                std::printf("version 0x%02x%02x\n", reply[1], reply[2]);
        }
        hid_close(device);
    }
    hid_free_enumeration(list);
    std::printf("%d displays\n", displays);
    hid_exit();
    return 0;
}
