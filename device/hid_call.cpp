// Calls into the device library that survive either calling convention (see hid_call.h),
// through the entry points of the library linked or loaded.
#include "device/hid_call.h"

#include <cstdint>

#if defined(_WIN32) && defined(__i386__)

// velmaro_call_restoring_stack(function, count, arguments) pushes the `count` 32-bit
// arguments (the first one last, so it ends on top), aligns the stack to 16 bytes for the
// call, calls `function` and returns its result (eax). The stack pointer is taken back from
// the frame pointer afterwards, so it does not matter whether the callee popped its arguments.
// ebx, esi, edi and ebp are kept by callees of both conventions.
extern "C" int velmaro_call_restoring_stack(const void* function, int count,
                                            const std::uint32_t* arguments);
asm(R"(
    .text
    .globl _velmaro_call_restoring_stack
    .def _velmaro_call_restoring_stack; .scl 2; .type 32; .endef
_velmaro_call_restoring_stack:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl 12(%ebp), %ecx
    movl 16(%ebp), %esi
    leal 0(,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    addl %eax, %esp
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    leal -4(%ebp), %esp
    popl %esi
    popl %ebp
    ret
)");

namespace {

std::uint32_t word(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }
std::uint32_t word(int value) { return static_cast<std::uint32_t>(value); }

template <int N>
int call_restoring_stack(const void* function, const std::uint32_t (&arguments)[N]) {
    return velmaro_call_restoring_stack(function, N, arguments);
}

int open_through_wrapper(const HidEntryPoints& library, int device_id, int output_report_size,
                         int input_report_size, HidDeviceHandle* handle, int unit) {
    const std::uint32_t arguments[] = {word(device_id), word(output_report_size),
                                       word(input_report_size), word(handle), word(unit)};
    return call_restoring_stack(reinterpret_cast<const void*>(library.open), arguments);
}

int write_through_wrapper(const HidEntryPoints& library, HidDeviceHandle* handle, unsigned char* report,
                          unsigned char* reply) {
    const std::uint32_t arguments[] = {word(handle), word(report), word(reply)};
    return call_restoring_stack(reinterpret_cast<const void*>(library.write), arguments);
}

int close_through_wrapper(const HidEntryPoints& library, HidDeviceHandle* handle) {
    const std::uint32_t arguments[] = {word(handle)};
    return call_restoring_stack(reinterpret_cast<const void*>(library.close), arguments);
}

}  // namespace

#else

namespace {

int open_through_wrapper(const HidEntryPoints& library, int device_id, int output_report_size,
                         int input_report_size, HidDeviceHandle* handle, int unit) {
    return library.open(device_id, output_report_size, input_report_size, handle, unit);
}

int write_through_wrapper(const HidEntryPoints& library, HidDeviceHandle* handle, unsigned char* report,
                          unsigned char* reply) {
    return library.write(handle, report, reply);
}

int close_through_wrapper(const HidEntryPoints& library, HidDeviceHandle* handle) {
    return library.close(handle);
}

}  // namespace

#endif

// Without a library no unit opens, no exchange succeeds, and there is nothing to close.
int call_open_hid_device(int device_id, int output_report_size, int input_report_size,
                         HidDeviceHandle* handle, int unit) {
    if (!hid_entry_points) return 1;
    return open_through_wrapper(*hid_entry_points, device_id, output_report_size, input_report_size,
                                handle, unit);
}

int call_write_hid_device(HidDeviceHandle* handle, unsigned char* report, unsigned char* reply) {
    if (!hid_entry_points) return 1;
    return write_through_wrapper(*hid_entry_points, handle, report, reply);
}

int call_close_hid_device(HidDeviceHandle* handle) {
    if (!hid_entry_points) return 0;
    return close_through_wrapper(*hid_entry_points, handle);
}
