; An SX52 program for gpasm (make.sh): the family from the processor name, code in two
; pages, the reset vector at 0xFFF; no __config, so FUSE and FUSEX stay blank.
        processor sx52
value   equ     0x0A
        org     0
start   movlw   0x12
        movwf   value
        page    far
        goto    far
        org     0x200
far     incf    value, f
        page    start
        goto    start
        org     0xFFF
        goto    start
        end
