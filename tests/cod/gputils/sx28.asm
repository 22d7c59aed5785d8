; An SX28 program for gpasm (make.sh): a lone word at address 0, an include file with a
; macro, a listing of three pages, messages, data on continuation lines, FUSE from
; __config, FUSEX and the ID at their image addresses.
        processor sx28
        include "sx28.inc"
        __config 0x07FA                 ; FUSE: turbo, HS2 crystal
        __config 0x1011, 0x0F7F         ; FUSEX
        __config 0x1000, 0x0FF4         ; ID "AB"
        __config 0x1001, 0x0FF1
        __config 0x1002, 0x0FF4
        __config 0x1003, 0x0FF2
        org     0
        goto    start                   ; alone at address 0
        org     0x10
start   clrf    total
        movlw   5
        movwf   count
loop    movf    count, w
        addwf   total, f
        pulse
        decfsz  count, f
        goto    loop
; A run of moves long enough to carry the listing onto its next pages.
        movlw   0x00
        movlw   0x01
        movlw   0x02
        movlw   0x03
        movlw   0x04
        movlw   0x05
        movlw   0x06
        movlw   0x07
        movlw   0x08
        movlw   0x09
        movlw   0x0A
        movlw   0x0B
        movlw   0x0C
        movlw   0x0D
        movlw   0x0E
        movlw   0x0F
        movlw   0x10
        movlw   0x11
        movlw   0x12
        movlw   0x13
        movlw   0x14
        movlw   0x15
        movlw   0x16
        movlw   0x17
        movlw   0x18
        movlw   0x19
        movlw   0x1A
        movlw   0x1B
        movlw   0x1C
        movlw   0x1D
        movlw   0x1E
        movlw   0x1F
        movlw   0x20
        movlw   0x21
        movlw   0x22
        movlw   0x23
        movlw   0x24
        movlw   0x25
        movlw   0x26
        movlw   0x27
        movlw   0x28
        movlw   0x29
        movlw   0x2A
        movlw   0x2B
        movlw   0x2C
        movlw   0x2D
        movlw   0x2E
        movlw   0x2F
        movlw   0x30
        movlw   0x31
        movlw   0x32
        movlw   0x33
        movlw   0x34
        movlw   0x35
        movlw   0x36
        movlw   0x37
        movlw   0x38
        movlw   0x39
        movlw   0x3A
        movlw   0x3B
        movlw   0x3C
        movlw   0x3D
        movlw   0x3E
        movlw   0x3F
        movlw   0x40
        movlw   0x41
        movlw   0x42
        movlw   0x43
        movlw   0x44
        movlw   0x45
        movlw   0x123                   ; out of range: a message line in the listing
        movwf   count
done    goto    done
table   dw      1, 2, 3, 4, 5, 6, 7, 8, 9, 10
        org     0x7FF
        goto    start                   ; the reset vector
        end
