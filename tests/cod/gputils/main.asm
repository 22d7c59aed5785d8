; The main module of a program linked by gplink (make.sh): global data with WATCH and
; BREAK messages for the debugger through .direct.
        processor sx28
        extern  twice
        global  count, total
        udata_shr
count   res     1
total   res     1
RESET   code    0x7FF
        goto    start
main    code    0
start   movlw   3
        movwf   count
        clrf    total
loop    movf    count, w
        call    twice                   ; total += 2 * count
        decfsz  count, f
        goto    loop
        .direct "w", "total, 8, UDEC"
        .direct "w", "count, 8, UHEX"
        .direct "b", ""
done    nop
        goto    done
        end
