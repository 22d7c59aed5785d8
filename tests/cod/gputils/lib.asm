; A second module for gplink (make.sh): a routine where a CALL from page 0 reaches it.
        processor sx28
        global  twice
        extern  total
lib     code    0x40
twice   addwf   total, f
        addwf   total, f
        retlw   0
        end
